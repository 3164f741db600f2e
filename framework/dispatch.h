#pragma once
// How the framework runs the program's handlers: every call is caught, and
// actions that must never run nested (drops, open-document requests, clicks
// on "Open...") wait in a queue and run one at a time, in arrival order.
#include <functional>

namespace fw {

// Runs a program handler. An exception that escapes goes to the report of
// unhandled exceptions and the application shuts down; the quit unwinding is
// caught silently. Returns false when the handler did not complete.
bool Dispatch(const std::function<void()>& handler);

// Queues an action; it runs after the running one (if any) has returned.
void PostAction(std::function<void()> action);
// Tests: true while a queued action runs.
bool ActionRunning();
// Runs queued actions now when none is running (the event loop does this by
// itself; tests that do not run the loop may call it).
void RunQueuedActions();
// True while actions wait in the queue.
bool ActionsPending();
// Drops every queued action (on quit).
void ClearQueuedActions();
// Called at depth 0 after each handler: work deferred until no handler runs.
void AfterHandlers(std::function<void()> work);
int HandlerDepth();

}  // namespace fw
