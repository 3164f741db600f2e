#pragma once
// Work spread over the cores this process may use, while the calling thread
// keeps the window live.
#include <cstddef>
#include <functional>

namespace fw {

// The number of cores the process may run on (its CPU affinity), at least 1.
unsigned UsableCores();

// Runs task(i) for every i in [0, count) on worker threads, at most
// `threads` at once (0: UsableCores()), and returns when all have run. The
// calling thread does none of the work: it waits and yields, so the window
// repaints and a quit is seen. When the yield throws (a quit), no further
// task starts, the running ones are waited for, and the exception goes on.
// The first exception thrown by a task is rethrown once all have stopped.
// Tasks must not touch the window or yield.
void ParallelFor(size_t count, const std::function<void(size_t)>& task, unsigned threads = 0);

}  // namespace fw
