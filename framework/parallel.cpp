#include "framework/parallel.h"

#include <errno.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
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

std::atomic<bool> g_threadStartsFail{false};

// How long a thread that ran out of work keeps looking before it sleeps: a
// picture is a few batches of short tasks, and waking a sleeping thread
// costs tens of microseconds, more than many a task.
constexpr auto kSpin = std::chrono::microseconds(200);

inline void Relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

// One batch of tasks, shared by the calling thread and the workers it got.
struct Batch {
  size_t count = 0;
  const std::function<void(size_t)>* task = nullptr;
  std::atomic<size_t> next{0};
  std::atomic<bool> cancelled{false};
  std::atomic<unsigned> running{0};  // workers still inside the batch
  std::mutex mutex;
  std::condition_variable done;
  std::exception_ptr error;  // the first a task threw; under mutex

  // Runs one task; false when there was none left to run.
  bool RunOne() {
    if (cancelled.load(std::memory_order_relaxed)) return false;
    const size_t i = next.fetch_add(1, std::memory_order_relaxed);
    if (i >= count) return false;
    try {
      (*task)(i);
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex);
      if (!error) error = std::current_exception();
      cancelled = true;
    }
    return true;
  }

  void Leave() {
    std::lock_guard<std::mutex> lock(mutex);  // the caller cannot miss the last one
    if (running.fetch_sub(1) == 1) done.notify_all();
  }
};

// Worker threads kept for the life of the process.
class Pool {
 public:
  static Pool& Instance() {
    static Pool pool;
    return pool;
  }

  // Hands the batch to `workers` threads, starting more threads as needed.
  // When the system starts no more (a process or container limit), the batch
  // goes on with the threads there are: the calling thread can run it alone.
  void Start(Batch& batch, unsigned workers) {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
      while (workers_.size() < workers) {
        if (g_threadStartsFail) throw std::system_error(EAGAIN, std::generic_category());
        workers_.emplace_back([this] { Run(); });
      }
    } catch (const std::system_error&) {
      workers = unsigned(workers_.size());
    }
    batch.running = workers;
    batch_ = &batch;
    wanted_ = workers;
    generation_.fetch_add(1, std::memory_order_release);
    if (sleeping_ > 0) wake_.notify_all();
  }

  ~Pool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      generation_.fetch_add(1);
      wake_.notify_all();
    }
    for (auto& t : workers_) t.join();
  }

 private:
  void Run() {
    uint64_t seen = 0;
    for (;;) {
      const auto until = std::chrono::steady_clock::now() + kSpin;
      while (generation_.load(std::memory_order_acquire) == seen && std::chrono::steady_clock::now() < until)
        for (int i = 0; i < 64; ++i) Relax();
      Batch* batch = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (generation_.load() == seen) {
          ++sleeping_;
          wake_.wait(lock, [&] { return generation_.load() != seen; });
          --sleeping_;
        }
        if (stopping_) return;
        seen = generation_.load();
        if (wanted_ > 0) {
          --wanted_;
          batch = batch_;
        }
      }
      if (!batch) continue;
      while (batch->RunOne()) {
      }
      batch->Leave();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::thread> workers_;
  std::atomic<uint64_t> generation_{0};
  Batch* batch_ = nullptr;
  unsigned wanted_ = 0;  // workers the current batch still waits for
  unsigned sleeping_ = 0;
  bool stopping_ = false;
};

bool g_inBatch = false;  // the calling thread's: a yield may not start a second batch

// Yields; a throw (a quit) cancels the batch and is kept for later.
void YieldInBatch(Batch& batch, std::exception_ptr& stopped) {
  if (stopped) return;
  try {
    RuntimeBackgroundTask(4096);  // reads the clock; lets events through every 15 ms
  } catch (...) {
    stopped = std::current_exception();
    batch.cancelled = true;
  }
}

}  // namespace

void detail::SetThreadStartsFail(bool fail) { g_threadStartsFail = fail; }

void ParallelFor(size_t count, const std::function<void(size_t)>& task, unsigned threads) {
  if (count == 0) return;
  if (threads == 0) threads = UsableCores();
  if (threads > count) threads = unsigned(count);
  Batch batch;
  batch.count = count;
  batch.task = &task;
  const unsigned workers = g_inBatch ? 0 : threads - 1;
  // Cleared on every way out, or every later batch would run on one thread.
  struct BatchFlag {
    const bool outer = !g_inBatch;
    BatchFlag() { g_inBatch = true; }
    ~BatchFlag() {
      if (outer) g_inBatch = false;
    }
  } flag;
  if (workers > 0) Pool::Instance().Start(batch, workers);

  // The calling thread takes tasks too, yielding between them.
  std::exception_ptr stopped;
  while (!stopped && batch.RunOne()) YieldInBatch(batch, stopped);

  // Then waits for the workers' last tasks: first looking, then sleeping a
  // few milliseconds at a time, yielding in between.
  const auto until = std::chrono::steady_clock::now() + kSpin;
  while (batch.running.load() > 0 && std::chrono::steady_clock::now() < until)
    for (int i = 0; i < 64; ++i) Relax();
  std::unique_lock<std::mutex> lock(batch.mutex);
  while (batch.running.load() > 0) {
    if (batch.done.wait_for(lock, std::chrono::milliseconds(2), [&] { return batch.running.load() == 0; })) break;
    lock.unlock();
    YieldInBatch(batch, stopped);
    lock.lock();
  }
  lock.unlock();
  if (stopped) std::rethrow_exception(stopped);
  if (batch.error) std::rethrow_exception(batch.error);
}

}  // namespace fw
