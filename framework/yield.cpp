#include "framework/yield.h"

#include <QCoreApplication>
#include <chrono>

#include "framework/exceptions.h"

namespace fw {
namespace detail {
uint64_t g_yieldCount = 0;
bool g_yieldAttention = false;
}  // namespace detail

namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point g_lastEvents = Clock::now();
std::function<void()> g_hook;
bool g_quit = false;
bool g_inHook = false;
constexpr auto kSlice = std::chrono::milliseconds(15);

void UpdateAttention() { detail::g_yieldAttention = g_quit || static_cast<bool>(g_hook); }
}  // namespace

void detail::YieldSlow() {
  if (g_hook && !g_inHook) {
    g_inHook = true;
    try {
      g_hook();
    } catch (...) {
      g_inHook = false;
      throw;
    }
    g_inHook = false;
  }
  if (g_quit) throw QuitUnwind();
  auto now = Clock::now();
  if (now - g_lastEvents < kSlice) return;
  g_lastEvents = now;
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
  g_lastEvents = Clock::now();
  if (g_quit) throw QuitUnwind();
}

void SetYieldHook(std::function<void()> hook) {
  g_hook = std::move(hook);
  UpdateAttention();
}

void RequestQuitUnwind() {
  g_quit = true;
  UpdateAttention();
}

bool QuitRequested() { return g_quit; }

void ResetQuitRequest() {
  g_quit = false;
  UpdateAttention();
}

}  // namespace fw
