// The worker pool on 1, 2 and 8 threads: every task once; a task's exception
// or a quit ends the batch with no task left running and reaches the caller;
// a thread the system will not start leaves the work to the threads there are.
#include "framework/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <latch>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/exceptions.h"
#include "framework/yield.h"

namespace {

constexpr size_t kTasks = 1000;

// Whether `threads` threads run one task each at the same time, which they can
// only when the pool hands the batch to threads - 1 workers. The deadline only
// guards against a hang.
bool AllThreadsTakePart(unsigned threads) {
  std::mutex mutex;
  std::condition_variable arrival;
  unsigned arrived = 0;
  bool met = true;
  fw::ParallelFor(threads, [&](size_t) {
    std::unique_lock<std::mutex> lock(mutex);
    ++arrived;
    arrival.notify_all();
    met = met && arrival.wait_for(lock, std::chrono::minutes(1), [&] { return arrived == threads || !met; });
  }, threads);
  return met;
}

TEST(ParallelFor, EveryTaskRunsOnceAndAStopReachesTheCallerWithNoTaskRunning) {
  const struct {
    const char* name;
    size_t throwAt;  // the task that throws
    void (*hook)();  // at the calling thread's yields; the workers' tasks wait for it
    bool threadsFail;
    const char* reaches;  // what the caller catches
    size_t lastAlone;  // the last task run on one thread
  } rows[] = {
      // First, so that the pool still has fewer threads than asked.
      {"no thread can be started", kTasks, nullptr, true, "", kTasks - 1},
      {"all tasks", kTasks, nullptr, false, "", kTasks - 1},
      {"a task throws", 3, nullptr, false, "task 3", 3},
      {"quit", kTasks, [] { fw::RequestQuitUnwind(); }, false, "quit", 0},
      {"the yield throws", kTasks, [] { throw std::runtime_error("yield"); }, false, "yield", 0},
  };
  for (unsigned threads : {1u, 2u, 8u}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(row.name) + ", " + std::to_string(threads) + " threads");
      std::vector<std::atomic<int>> runs(kTasks);
      std::atomic<int> running{0};
      std::latch yielded(row.hook ? 1 : 0);  // so that the caller surely yields
      if (row.hook) fw::SetYieldHook([&] { yielded.count_down(), row.hook(); });
      fw::detail::SetThreadStartsFail(row.threadsFail);
      const auto caller = std::this_thread::get_id();
      std::string reached;
      try {
        fw::ParallelFor(kTasks, [&](size_t i) {
          ++running;
          if (std::this_thread::get_id() != caller) yielded.wait();
          ++runs[i];
          --running;
          if (i == row.throwAt) throw std::runtime_error("task " + std::to_string(i));
        }, threads);
      } catch (const fw::QuitUnwind&) {
        reached = "quit";
      } catch (const std::exception& e) {
        reached = e.what();
      }
      EXPECT_EQ(running, 0);
      fw::detail::SetThreadStartsFail(false);
      fw::SetYieldHook(nullptr);
      fw::ResetQuitRequest();
      EXPECT_EQ(reached, row.reaches);
      size_t wrong = 0;
      for (size_t i = 0; i < kTasks; ++i)
        wrong += *row.reaches ? (threads > 1 ? runs[i] > 1 : runs[i] != (i <= row.lastAlone)) : runs[i] != 1;
      EXPECT_EQ(wrong, 0u) << "tasks run a wrong number of times";
      ASSERT_TRUE(AllThreadsTakePart(threads)) << "the next batch has no workers";
    }
  }
}

}  // namespace
