#include "framework/dispatch.h"

#include <QCoreApplication>
#include <QTimer>
#include <deque>

#include "framework/application.h"
#include "framework/exceptions.h"

namespace fw {

namespace {
int g_depth = 0;
bool g_actionRunning = false;
bool g_scheduled = false;
std::deque<std::function<void()>> g_queue;
std::vector<std::function<void()>> g_deferred;

void Schedule() {
  if (g_scheduled || !QCoreApplication::instance()) return;
  g_scheduled = true;
  QTimer::singleShot(0, [] {
    g_scheduled = false;
    RunQueuedActions();
  });
}

void RunDeferred() {
  while (g_depth == 0 && !g_deferred.empty()) {
    auto work = std::move(g_deferred);
    g_deferred.clear();
    for (auto& w : work) w();
  }
}
}  // namespace

// Counts a handler as running for as long as the guard lives, however the
// handler ends.
class HandlerScope {
 public:
  HandlerScope() { ++g_depth; }
  ~HandlerScope() { --g_depth; }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;
};

bool Dispatch(const std::function<void()>& handler) {
  bool completed = false;
  std::exception_ptr error;
  {
    HandlerScope running;
    try {
      handler();
      completed = true;
    } catch (const QuitUnwind&) {
      // The application is quitting: the running handler just stops.
    } catch (...) {
      error = std::current_exception();
    }
  }
  // The report and the quit come after the handler has left.
  if (error) {
    try {
      UnhandledException(error);
    } catch (...) {
      // The report itself failed; nothing may cross into the toolkit.
    }
    Quit(ExitCode());
  }
  RunDeferred();
  return completed;
}

void PostAction(std::function<void()> action) {
  if (Quitting()) return;
  g_queue.push_back(std::move(action));
  Schedule();
}

bool ActionRunning() { return g_actionRunning; }

void RunQueuedActions() {
  if (g_actionRunning) return;  // the running action's loop picks the rest up
  while (!g_queue.empty() && !Quitting()) {
    auto action = std::move(g_queue.front());
    g_queue.pop_front();
    g_actionRunning = true;
    Dispatch(action);  // catches everything
    g_actionRunning = false;
  }
  if (Quitting()) g_queue.clear();
}

void ClearQueuedActions() { g_queue.clear(); }

bool ActionsPending() { return !g_queue.empty(); }

void AfterHandlers(std::function<void()> work) {
  g_deferred.push_back(std::move(work));
  if (g_depth == 0) RunDeferred();
}

int HandlerDepth() { return g_depth; }

}  // namespace fw
