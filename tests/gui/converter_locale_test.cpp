// A decimal comma in the C library's locale must not reach the header's
// numbers, the listed rows or the output names.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"

namespace {

using testsupport::MapSpec;
using testsupport::ProgramHarness;
using testsupport::TempDir;
using Names = std::vector<std::string>;

// Sets a German locale for the life of the object, building it into a
// temporary folder when the machine has none; "C" again at the end.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return;
    const std::string target = built_.File("de_DE.UTF-8");
    const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 && !std::filesystem::exists(target)) return;
    const char* old = std::getenv("LOCPATH");
    if (old) oldLocPath_ = old;
    hadLocPath_ = old != nullptr;
    ::setenv("LOCPATH", built_.path().c_str(), 1);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_ALL, "C");
    if (hadLocPath_)
      ::setenv("LOCPATH", oldLocPath_.c_str(), 1);
    else
      ::unsetenv("LOCPATH");
  }
  bool Active() const { return std::strcmp(std::localeconv()->decimal_point, ",") == 0; }

 private:
  TempDir built_;
  std::string oldLocPath_;
  bool hadLocPath_ = false;
};

}  // namespace

TEST(ConverterLocale, DecimalCommaChangesNothing) {
  TempDir dir;
  MapSpec nm;  // 0.6 x 0.5 µm: a width in nanometres
  nm.width = 12;
  nm.height = 10;
  nm.hstep = 0.05;
  nm.vstep = 0.05;
  nm.species = {"O1"};
  nm.sample = [](int, int x, int y) { return 0.5f + x * 0.25f + y * 0.125f; };
  MapSpec um = nm;  // 2.5 µm square: a width with a decimal in micrometres
  um.height = 10;
  um.width = 10;
  um.hstep = um.vstep = 0.25;
  testsupport::WriteMapFile(dir.File("nm.map"), nm);
  testsupport::WriteMapFile(dir.File("um.map"), um);

  ProgramHarness h;  // the toolkit may set the locale from the environment: set ours after it
  DecimalCommaLocale locale;
  ASSERT_TRUE(locale.Active()) << "no locale with a decimal comma could be set";

  ProgramHarness::Drop(h.main(), {dir.File("nm.map")});
  ProgramHarness::Settle();
  EXPECT_EQ(h.Rows("LBresults"), (Names{"Pixel Size: 12(w) x 10(h)", "Micron Size: 0.6(w) x 0.5(h)", " ",
                                        "Files Created:", "Min: 0.5 Max: 4.375", "Max: 00 00 8C 40",
                                        "nm O1 (600nmw).png"}));
  ProgramHarness::Drop(h.main(), {dir.File("um.map")});
  ProgramHarness::Settle();
  const Names rows = h.Rows("LBresults");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[1], "Micron Size: 2.5(w) x 2.5(h)");
  EXPECT_EQ(rows[4], "Min: 0.5 Max: 3.875");
  EXPECT_EQ(rows[6], "um O1 (2.5µm).png");
  EXPECT_EQ(dir.Names(), (Names{"nm O1 (600nmw).png", "nm.map", "um O1 (2.5µm).png", "um.map"}));
}
