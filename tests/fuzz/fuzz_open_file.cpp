// libFuzzer target over the reading and conversion of one file: the input is
// written as a ".map" file in a folder of its own, dropped on the main window
// (offscreen) with auto-save on, and the folder is emptied afterwards. Any
// crash, sanitizer report or hang is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "framework/runtime.h"
#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"

namespace {

namespace fs = std::filesystem;

struct FuzzWorld {
  testsupport::TempDir dir;
  std::unique_ptr<testsupport::ProgramHarness> harness;
};

FuzzWorld* g_world = nullptr;

void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The fuzzer's own arguments (corpus folders, options) are not documents.
  static int argc = 1;
  static char name[] = "fuzz_open_file";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  fw::RuntimeInit(argc, argv);
  g_world = new FuzzWorld;
  g_world->harness = std::make_unique<testsupport::ProgramHarness>();
  // libFuzzer leaves by exit(): the program is shut down in order before the
  // framework's own static lists go.
  std::atexit([] {
    delete g_world;
    g_world = nullptr;
    fw::RuntimeExit();
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  testsupport::ProgramHarness& h = *g_world->harness;
  const std::string input = g_world->dir.File("fuzz.map");
  WriteInput(input, data, size);
  testsupport::ProgramHarness::Drop(h.main(), {input});
  testsupport::ProgramHarness::Settle();
  if (!h.reports.empty()) {
    // An exception escaped the converter: the framework reported it.
    std::fprintf(stderr, "unhandled exception reported: %s\n", h.reports.front().c_str());
    std::abort();
  }
  h.messages.clear();
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(g_world->dir.path(), ec)) fs::remove_all(e.path(), ec);
  return 0;
}
