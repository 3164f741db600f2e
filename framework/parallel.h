#pragma once
// Work spread over the cores this process may use, while the calling thread
// keeps the window live.
#include <cstddef>
#include <functional>

namespace fw {

// The number of cores the process may run on (its CPU affinity), at least 1.
unsigned UsableCores();

// Runs task(i) for every i in [0, count) on `threads` threads at most (0:
// UsableCores()): the calling thread and workers. Tasks start in index
// order. The calling thread yields between its tasks and while it waits for
// the workers', so the window repaints and a quit is seen: keep tasks short
// (a millisecond or so). When the yield throws (a quit), no further task
// starts, the running ones are waited for, and the exception goes on; the
// first exception thrown by a task likewise. Tasks must not touch the window,
// yield or call ParallelFor; a ParallelFor reached from a yield inside another
// runs on the calling thread alone. Threads the system will not start are
// done without.
void ParallelFor(size_t count, const std::function<void(size_t)>& task, unsigned threads = 0);

namespace detail {
// Tests: while set, no worker thread can be started, as under a process limit.
void SetThreadStartsFail(bool fail);
}  // namespace detail

}  // namespace fw
