// The test programs' entry: the runtime (and with it the offscreen platform
// when there is no display) exists before any test runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/runtime.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  // The programs a test starts find each other in a runtime folder of this
  // test program's own, never in the user's session.
  testsupport::TempDir runtimeDir;
  std::filesystem::permissions(runtimeDir.path(), std::filesystem::perms::owner_all);
  ::setenv("XDG_RUNTIME_DIR", runtimeDir.path().c_str(), 1);
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  fw::RuntimeInit(argc, argv);
  const int result = RUN_ALL_TESTS();
  fw::RuntimeExit();
  return result;
}
