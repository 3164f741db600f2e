#pragma once
// The cooperative yield that every loop of the program calls once per pass.
// It costs a counter increment and one relaxed load; only every few thousand
// calls does it read a clock, and it lets events through when about 15 ms
// have passed.
#include <atomic>
#include <cstdint>
#include <functional>

namespace fw {

namespace detail {
extern uint64_t g_yieldCount;  // 64 bits: no alias of the 32-bit pixels a loop writes
// Why a yield must look further than its counter: a quit requested, a test
// hook installed, a quit signal caught. A signal handler on any thread sets
// it, so it is a lock-free atomic.
extern std::atomic<unsigned> g_yieldAttention;
static_assert(std::atomic<unsigned>::is_always_lock_free);
void YieldSlow();
}  // namespace detail

inline void RuntimeBackgroundTask() {
  if (detail::g_yieldAttention.load(std::memory_order_relaxed) != 0 || ((++detail::g_yieldCount & 4095u) == 0))
    detail::YieldSlow();
}

// One yield that stands for `passes` passes of a cheap loop (a row of pixels
// written at once, say), so that sparse callers still let events through.
inline void RuntimeBackgroundTask(uint32_t passes) {
  const uint64_t before = detail::g_yieldCount;
  detail::g_yieldCount += passes;
  if (detail::g_yieldAttention.load(std::memory_order_relaxed) != 0 || (before >> 12) != (detail::g_yieldCount >> 12))
    detail::YieldSlow();
}

// Tests: called at every yield while installed (nullptr removes it).
void SetYieldHook(std::function<void()> hook);

// Set by Quit; the next yield throws QuitUnwind.
void RequestQuitUnwind();
bool QuitRequested();
void ResetQuitRequest();  // tests

// A quit signal, from its handler on any thread (async-signal-safe): the
// next yield runs the action set here (the quit) at once, rather than at the
// end of its slice, and then unwinds.
void NoteQuitSignal();
void SetQuitSignalAction(void (*action)());

}  // namespace fw
