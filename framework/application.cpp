#include "framework/application.h"

#include <QApplication>
#include <QTimer>
#include <sys/stat.h>

#include "framework/dialogs.h"
#include "framework/dispatch.h"
#include "framework/exceptions.h"
#include "framework/menu.h"
#include "framework/recorder.h"
#include "framework/session_channel.h"
#include "framework/window.h"
#include "framework/yield.h"

namespace fw {

namespace {
std::unique_ptr<Application> g_app;
std::vector<std::string> g_documents;
bool g_quitting = false;
bool g_failed = false;
int g_exitCode = 0;

bool IsExistingFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
}  // namespace

void RequireSignature(const Delegate& handler, const std::string& expected, const std::string& boundTo) {
  if (handler.signature != expected)
    throw RuntimeException("the handler of " + boundTo + " has the signature \"" + handler.signature + "\", not \"" +
                           expected + "\"");
}

Application::Application() = default;
Application::~Application() = default;

void Application::SetMenuBar(MenuBar* bar) {
  Record("SetMenuBar App");
  menuBar_ = bar;
  UpdateMenuEnabling();
}

void Application::AddMenuHandler(const std::string& itemName, Delegate handler) {
  RequireSignature(handler, "(  ) as Boolean", "the menu item \"" + itemName + "\"");
  Record("AddMenuHandler App ", itemName);
  handlers_[itemName] = std::move(handler);
  UpdateMenuEnabling();
}

const Delegate* Application::MenuHandler(const std::string& itemName) const {
  auto it = handlers_.find(itemName);
  return it == handlers_.end() ? nullptr : &it->second;
}

void Application::Event_OpenDocument(const FolderItemRef&) {}

void RuntimeRegisterAppObject(std::unique_ptr<Application> app) {
  Record("RegisterAppObject");
  g_app = std::move(app);
  UpdateMenuEnabling();
}

Application* GetAppObject() { return g_app.get(); }

void ReleaseAppObject() { g_app.reset(); }

void PostOpenDocument(const FolderItemRef& item) {
  PostAction([item] {
    if (Application* app = GetAppObject()) app->Event_OpenDocument(item);
  });
}

void OpenDocumentPaths(const std::vector<std::string>& paths) {
  for (const auto& path : paths)
    if (IsExistingFile(path)) PostOpenDocument(FolderItem::FromPath(path));
}

void SetDocumentArguments(std::vector<std::string> paths) { g_documents = std::move(paths); }

void RuntimeRun() {
  Record("RuntimeRun");
  if (g_quitting) return;
  OpenDocumentPaths(g_documents);
  g_documents.clear();
  int code = QApplication::exec();
  if (!g_quitting) g_exitCode = code;
  Record("RuntimeRun returned");
}

void Quit(int code) {
  if (!g_quitting) g_exitCode = code;
  g_quitting = true;
  StopAnsweringLaterStarts();  // a start from now on waits to become the program
  RequestQuitUnwind();
  ClearQueuedActions();
  if (QCoreApplication::instance()) QCoreApplication::exit(g_exitCode);
}

bool Quitting() { return g_quitting; }

int ExitCode() { return g_failed && g_exitCode == 0 ? 1 : g_exitCode; }

void UnhandledException(const std::exception_ptr& error) {
  Record("UnhandledException");
  g_failed = true;
  ReportUnhandledException(error);
}

void ResetRuntimeForTest() {
  // A quit outside the toolkit's loop leaves the toolkit quitting, and every
  // later modal box would close at once; a loop run to its end clears that.
  if (g_quitting && QCoreApplication::instance()) {
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
  }
  CloseAllWindows();
  g_app.reset();
  g_documents.clear();
  g_quitting = false;
  g_failed = false;
  g_exitCode = 0;
  ClearQueuedActions();
  ResetQuitRequest();
}

}  // namespace fw
