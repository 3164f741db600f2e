// The test programs' entry: the runtime (and with it the offscreen platform
// when there is no display) exists before any test runs.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "framework/runtime.h"
#include "tests/support/temp_dir.h"

static pid_t g_testPid = 0;  // set first in main

// This process has threads, so a child it forks may call only async-signal-
// safe functions until it execs: one that calls setenv (which can wait for a
// lock held by a thread the fork left behind) ends at once, with status 125.
extern "C" int setenv(const char* name, const char* value, int replace) noexcept {
  if (g_testPid != 0 && ::getpid() != g_testPid) ::_exit(125);
  static const auto next = reinterpret_cast<int (*)(const char*, const char*, int)>(::dlsym(RTLD_NEXT, "setenv"));
  return next(name, value, replace);
}

int main(int argc, char** argv) {
  g_testPid = ::getpid();
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
