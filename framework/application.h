#pragma once
// The application object, the event loop and quitting.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/folder_item.h"

namespace fw {

class MenuBar;

// A bound handler: a method taking no argument, checked against the
// signature text it was bound with.
struct Delegate {
  std::function<bool()> call;
  std::string signature;
};

// Refuses a delegate bound with another signature text than the one its
// binding takes ("(  ) as Boolean" for menu handlers, "(  )" for events).
void RequireSignature(const Delegate& handler, const std::string& expected, const std::string& boundTo);

class Application {
 public:
  Application();
  virtual ~Application();

  MenuBar* GetMenuBar() const { return menuBar_; }
  void SetMenuBar(MenuBar* bar);

  // Binds a menu item, by its Name, to a handler "(  ) as Boolean".
  void AddMenuHandler(const std::string& itemName, Delegate handler);
  const Delegate* MenuHandler(const std::string& itemName) const;

  // Events; a subclass handles an event by overriding it.
  virtual void Event_OpenDocument(const FolderItemRef& item);

 private:
  MenuBar* menuBar_ = nullptr;
  std::map<std::string, Delegate> handlers_;
};

// The application object, held by the framework for the life of the process.
void RuntimeRegisterAppObject(std::unique_ptr<Application> app);
Application* GetAppObject();
// Releases the application object (shut-down).
void ReleaseAppObject();

// Runs the event loop until the application quits. Documents named on the
// command line reach the application's OpenDocument event first, in order.
void RuntimeRun();
// Ends the event loop with this code; a running handler unwinds at its next
// yield, and queued actions are dropped.
void Quit(int code = 0);
bool Quitting();
int ExitCode();
// Reports an exception that reached a catch region and marks the run failed.
void UnhandledException(const std::exception_ptr& error);

// Documents handed over by the desktop: each existing file among these paths
// becomes one OpenDocument event once the loop runs (set by RuntimeInit).
void SetDocumentArguments(std::vector<std::string> paths);
// Queues one OpenDocument event (the desktop's request to open a file).
void PostOpenDocument(const FolderItemRef& item);
// Queues one OpenDocument event for each of these paths that names an
// existing file, in order; the rest are ignored.
void OpenDocumentPaths(const std::vector<std::string>& paths);

// Tests: back to a state with no application object, no windows, no quit.
void ResetRuntimeForTest();

}  // namespace fw
