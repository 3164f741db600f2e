#include "framework/runtime.h"

#include <QApplication>
#include <QFileOpenEvent>
#include <QWidget>
#include <QIcon>
#include <QSocketNotifier>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/menu.h"
#include "framework/recorder.h"
#include "framework/session_channel.h"
#include "framework/window.h"
#include "framework/yield.h"

namespace fw {

namespace {
std::unique_ptr<QApplication> g_app;
int g_argc = 0;  // the toolkit keeps a reference to it for its whole life

// The desktop's requests to open a file (macOS hands them over as events).
class OpenDocumentFilter : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FileOpen) {
      auto* open = static_cast<QFileOpenEvent*>(event);
      if (!open->file().isEmpty()) PostOpenDocument(FolderItem::FromPath(open->file().toStdString()));
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

// SIGTERM, SIGINT and SIGHUP quit in order: the handler writes a byte to a
// pipe, which wakes an idle event loop, and marks the yield, so that a running
// conversion quits at its next yield, not at the end of its slice; a PNG being
// written is removed and the exit status is 0. Further signals change nothing:
// a desktop logout sends SIGTERM and SIGHUP at once, and the quit under way
// must finish its work.
int g_quitPipe[2] = {-1, -1};
volatile sig_atomic_t g_quitSignalled = 0;

extern "C" void OnQuitSignal(int) {
  g_quitSignalled = 1;
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_quitPipe[1], &byte, 1);  // a full pipe already holds a request
  NoteQuitSignal();  // after the byte: whoever acts on the mark finds the pipe to empty
  errno = saved;
}

// From the event loop or from a yield, whichever comes first.
void QuitOnSignal() {
  char buf[16];
  while (::read(g_quitPipe[0], buf, sizeof buf) > 0) {
  }
  Quit(0);
}

void InstallQuitSignals(QObject* owner) {
  if (g_quitPipe[0] >= 0 || ::pipe2(g_quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_quitPipe[0], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, &QuitOnSignal);
  SetQuitSignalAction(&QuitOnSignal);
  struct sigaction action {};
  action.sa_handler = &OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

// Once the application object is gone nothing reads the pipe. A process that
// was asked to quit by a signal ignores the rest on its way out; otherwise the
// signals end the process again.
void RemoveQuitSignals() {
  if (g_quitPipe[0] < 0) return;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, g_quitSignalled ? SIG_IGN : SIG_DFL);
  SetQuitSignalAction(nullptr);
  ::close(g_quitPipe[0]);
  ::close(g_quitPipe[1]);
  g_quitPipe[0] = g_quitPipe[1] = -1;
}
}  // namespace

void RuntimeInit(int& argc, char** argv) {
  if (g_app) return;
  Record("RuntimeInit");
  // No display and no platform chosen: no window could be seen, so the program
  // does not run unseen. A start that only hands documents over never gets here.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    std::fputs("Orvistella needs a graphical session (DISPLAY or WAYLAND_DISPLAY)\n", stderr);
    CloseSessionChannel();
    std::exit(1);
  }
  // Every argument after the program's name is a document: the toolkit sees
  // none of them, so a file named "-style=a.map" is not taken for an option.
  std::vector<std::string> documents;
  for (int i = 1; i < argc; ++i) documents.emplace_back(argv[i]);
  g_argc = argc > 0 ? 1 : 0;
  g_app = std::make_unique<QApplication>(g_argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the program decides when to quit
  // The desktop theme's icon where one is installed, else the one kept at bin/../share
  // (the build tree has the same layout as an install).
  QApplication::setWindowIcon(QIcon::fromTheme(
      "orvistella", QIcon(QCoreApplication::applicationDirPath() +
                          "/../share/icons/hicolor/64x64/apps/orvistella.png")));
  QObject::connect(g_app.get(), &QApplication::focusChanged, [](QWidget*, QWidget* now) { FocusMoved(now); });
  auto* filter = new OpenDocumentFilter;
  filter->setParent(g_app.get());  // goes with the application object
  g_app->installEventFilter(filter);
  InstallQuitSignals(g_app.get());
  ListenForLaterStarts(g_app.get());
  SetDocumentArguments(std::move(documents));
}

void SetApplicationName(const std::string& name) { QCoreApplication::setApplicationName(QString::fromStdString(name)); }

void RuntimeReleaseLists() {
  Record("ReleaseFrameworkLists");
  ClearQueuedActions();
  CloseAllWindows();
}

int RuntimeExit() {
  Record("RuntimeExit");
  int code = ExitCode();
  RemoveQuitSignals();
  CloseSessionChannel();
  g_app.reset();
  return code;
}

}  // namespace fw
