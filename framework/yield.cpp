#include "framework/yield.h"

#include <QCoreApplication>
#include <chrono>

#include "framework/exceptions.h"

namespace fw {
namespace detail {
uint64_t g_yieldCount = 0;
std::atomic<unsigned> g_yieldAttention{0};
}  // namespace detail

namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point g_lastEvents = Clock::now();
std::function<void()> g_hook;
bool g_quit = false;
bool g_inHook = false;
void (*g_signalAction)() = nullptr;
constexpr auto kSlice = std::chrono::milliseconds(15);
constexpr int kDrainMs = 5;

// The reasons of g_yieldAttention, one bit each, so that the window's thread
// and a signal handler never overwrite each other's.
constexpr unsigned kQuit = 1, kHook = 2, kSignal = 4;

void SetAttention(unsigned bit, bool on) {
  if (on)
    detail::g_yieldAttention.fetch_or(bit);
  else
    detail::g_yieldAttention.fetch_and(~bit);
}

// A quit signal caught since the last look: its action quits.
void TakeQuitSignal() {
  if ((detail::g_yieldAttention.load(std::memory_order_relaxed) & kSignal) == 0) return;
  if ((detail::g_yieldAttention.fetch_and(~kSignal) & kSignal) == 0) return;
  if (g_signalAction)
    g_signalAction();
  else
    RequestQuitUnwind();
}
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
  TakeQuitSignal();
  if (g_quit) throw QuitUnwind();
  auto now = Clock::now();
  if (now - g_lastEvents < kSlice) return;
  g_lastEvents = now;
  // Until nothing is pending (a few ms at most): what one event makes ready,
  // such as a later start's message once its connection is taken, is handled
  // in this slice, not the next.
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, kDrainMs);
  g_lastEvents = Clock::now();
  TakeQuitSignal();
  if (g_quit) throw QuitUnwind();
}

void SetYieldHook(std::function<void()> hook) {
  g_hook = std::move(hook);
  SetAttention(kHook, static_cast<bool>(g_hook));
}

void RequestQuitUnwind() {
  g_quit = true;
  SetAttention(kQuit, true);
}

bool QuitRequested() { return g_quit; }

void ResetQuitRequest() {
  g_quit = false;
  SetAttention(kQuit | kSignal, false);
}

void NoteQuitSignal() { SetAttention(kSignal, true); }

void SetQuitSignalAction(void (*action)()) { g_signalAction = action; }

}  // namespace fw
