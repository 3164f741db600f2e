#pragma once
// The cooperative yield that every loop of the program calls once per pass.
// It costs a counter increment; only every few thousand calls does it read a
// clock, and it lets events through when about 15 ms have passed.
#include <cstdint>
#include <functional>

namespace fw {

namespace detail {
extern uint32_t g_yieldCount;
extern bool g_yieldAttention;  // quit requested or a test hook installed
void YieldSlow();
}  // namespace detail

inline void RuntimeBackgroundTask() {
  if (detail::g_yieldAttention || ((++detail::g_yieldCount & 4095u) == 0)) detail::YieldSlow();
}

// Tests: called at every yield while installed (nullptr removes it).
void SetYieldHook(std::function<void()> hook);

// Set by Quit; the next yield throws QuitUnwind.
void RequestQuitUnwind();
bool QuitRequested();
void ResetQuitRequest();  // tests

}  // namespace fw
