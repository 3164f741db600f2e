#include "framework/runtime.h"

#include <QApplication>
#include <QFileOpenEvent>
#include <QWidget>
#include <QIcon>
#include <memory>
#include <vector>

#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/menu.h"
#include "framework/recorder.h"
#include "framework/window.h"

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
}  // namespace

void RuntimeInit(int& argc, char** argv) {
  if (g_app) return;
  Record("RuntimeInit");
  // No display and no platform chosen: run without a screen rather than abort.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  g_argc = argc;
  g_app = std::make_unique<QApplication>(g_argc, argv);
  argc = g_argc;
  QApplication::setQuitOnLastWindowClosed(false);  // the program decides when to quit
  // The desktop theme's icon where one is installed, else the one kept at bin/../share
  // (the build tree has the same layout as an install).
  QApplication::setWindowIcon(QIcon::fromTheme(
      "orvistella", QIcon(QCoreApplication::applicationDirPath() +
                          "/../share/icons/hicolor/64x64/apps/orvistella.png")));
  QObject::connect(g_app.get(), &QApplication::focusChanged, [] { UpdateMenuEnabling(); });
  auto* filter = new OpenDocumentFilter;
  filter->setParent(g_app.get());  // goes with the application object
  g_app->installEventFilter(filter);
  std::vector<std::string> documents;
  for (int i = 1; i < argc; ++i) documents.emplace_back(argv[i]);
  SetDocumentArguments(std::move(documents));
}

bool RuntimeRunning() { return g_app != nullptr; }

void SetApplicationName(const std::string& name) { QCoreApplication::setApplicationName(QString::fromStdString(name)); }

void RuntimeReleaseLists() {
  Record("ReleaseFrameworkLists");
  ClearQueuedActions();
  CloseAllWindows();
}

int RuntimeExit() {
  Record("RuntimeExit");
  int code = ExitCode();
  g_app.reset();
  return code;
}

}  // namespace fw
