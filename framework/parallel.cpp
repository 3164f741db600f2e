#include "framework/parallel.h"

#include <sched.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/yield.h"

namespace fw {

unsigned UsableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return unsigned(n);
  }
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? n : 1;
}

namespace {

// One batch of tasks, shared by the workers that run it.
struct Batch {
  size_t count = 0;
  const std::function<void(size_t)>* task = nullptr;
  std::atomic<size_t> next{0};
  std::atomic<bool> cancelled{false};
  std::mutex mutex;
  std::condition_variable done;
  unsigned running = 0;  // workers still inside the batch
  std::exception_ptr error;

  void Work() {
    for (;;) {
      if (cancelled.load(std::memory_order_relaxed)) return;
      const size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= count) return;
      try {
        (*task)(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!error) error = std::current_exception();
        cancelled = true;
      }
    }
  }
};

// Worker threads kept for the life of the process: a picture is a few
// milliseconds of work, and starting threads for each would show.
class Pool {
 public:
  static Pool& Instance() {
    static Pool pool;
    return pool;
  }

  // Hands the batch to `threads` workers, starting more threads as needed.
  void Start(Batch& batch, unsigned threads) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (workers_.size() < threads) workers_.emplace_back([this] { Run(); });
    batch.running = threads;
    batch_ = &batch;
    wanted_ = threads;
    ++generation_;
    wake_.notify_all();
  }

  ~Pool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      wake_.notify_all();
    }
    for (auto& t : workers_) t.join();
  }

 private:
  void Run() {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && wanted_ > 0); });
      if (stopping_) return;
      seen = generation_;
      --wanted_;
      Batch* batch = batch_;
      lock.unlock();
      batch->Work();
      {
        std::lock_guard<std::mutex> batchLock(batch->mutex);
        if (--batch->running == 0) batch->done.notify_all();
      }
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::thread> workers_;
  Batch* batch_ = nullptr;
  unsigned wanted_ = 0;  // workers of the current batch not yet started
  uint64_t generation_ = 0;
  bool stopping_ = false;
};

}  // namespace

void ParallelFor(size_t count, const std::function<void(size_t)>& task, unsigned threads) {
  if (count == 0) return;
  if (threads == 0) threads = UsableCores();
  if (threads > count) threads = unsigned(count);
  Batch batch;
  batch.count = count;
  batch.task = &task;
  Pool::Instance().Start(batch, threads);

  std::exception_ptr stopped;
  std::unique_lock<std::mutex> lock(batch.mutex);
  while (batch.running > 0) {
    // A few milliseconds at a time: the yield lets events through every 15 ms.
    if (batch.done.wait_for(lock, std::chrono::milliseconds(2), [&] { return batch.running == 0; })) break;
    if (stopped) continue;
    lock.unlock();
    try {
      RuntimeBackgroundTask(4096);
    } catch (...) {
      stopped = std::current_exception();
      batch.cancelled = true;
    }
    lock.lock();
  }
  lock.unlock();
  if (stopped) std::rethrow_exception(stopped);
  if (batch.error) std::rethrow_exception(batch.error);
}

}  // namespace fw
