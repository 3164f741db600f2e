#include "framework/runtime.h"

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace fw {

namespace {
std::unique_ptr<QApplication> g_app;
}

void RuntimeInit(int& argc, char** argv) {
  if (g_app) return;
  // No display and no platform chosen: run without a screen rather than abort.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  g_app = std::make_unique<QApplication>(argc, argv);
}

bool RuntimeRunning() { return g_app != nullptr; }

int RuntimeExit() {
  g_app.reset();
  return 0;
}

}  // namespace fw
