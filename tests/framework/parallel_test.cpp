// The worker pool on 1, 2 and 8 threads: every task once; a task's exception
// or a quit ends the batch with no task left running and reaches the caller;
// a thread the system will not start leaves the work to the threads there are.
#include "framework/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <semaphore>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/exceptions.h"
#include "framework/yield.h"

namespace {

constexpr size_t kTasks = 1000;

// Whether `threads` threads run a task each at once, as they can only when the
// pool hands the batch to threads - 1 workers (the deadline guards against a hang).
bool AllThreadsTakePart(unsigned threads) {
  std::atomic<unsigned> arrived{0};
  std::counting_semaphore<> all(0);
  std::atomic<bool> met{true};
  fw::ParallelFor(threads, [&](size_t) {
    if (++arrived == threads) all.release(threads - 1);
    else if (met && !all.try_acquire_for(std::chrono::minutes(1))) met = false;
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
  } rows[] = {
      // First, so that the pool still has fewer threads than asked.
      {"no thread can be started", kTasks, nullptr, true, ""},
      {"all tasks", kTasks, nullptr, false, ""},
      {"a task throws", 3, nullptr, false, "task 3"},
      {"quit", kTasks, [] { fw::RequestQuitUnwind(); }, false, "quit"},
      {"the yield throws", kTasks, [] { throw std::runtime_error("yield"); }, false, "yield"},
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
      // On one thread the tasks run in order up to the stop (the caller yields after each).
      const size_t last = row.hook ? 0 : row.throwAt;
      size_t wrong = 0;
      for (size_t i = 0; i < kTasks; ++i)
        wrong += threads == 1 ? runs[i] != (i <= last) : *row.reaches ? runs[i] > 1 : runs[i] != 1;
      EXPECT_EQ(wrong, 0u) << "tasks run a wrong number of times";
      ASSERT_TRUE(AllThreadsTakePart(threads)) << "the next batch has no workers";
    }
  }
}

}  // namespace
