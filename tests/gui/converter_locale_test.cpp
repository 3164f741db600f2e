// A decimal comma in the C library's locale must not reach the header's
// numbers, the listed rows or the output names.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "mapconv/main_window.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"

using testsupport::ProgramHarness;
using Rows = std::vector<std::string>;

namespace {

// A German locale (decimal comma) for the life of the object, built into a
// temporary folder when the machine has none; then "C" and the locale before.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return;
    const std::string command = "localedef -c -i de_DE -f UTF-8 '" + built_.File("de_DE.UTF-8") + "' >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(command.c_str());
    ::setenv("LOCPATH", built_.path().c_str(), 1);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");  // the test programs start without one
    std::setlocale(LC_ALL, saved_.c_str());
  }

 private:
  std::string saved_;
  testsupport::TempDir built_;
};

}  // namespace

TEST(ConverterLocale, DecimalCommaChangesNothing) {
  testsupport::TempDir dir;
  // 2.5 µm square: decimals in the steps, the rows and the name.
  const testsupport::MapSpec spec{.width = 10, .height = 10, .species = {"O1"}, .hstep = 0.25, .vstep = 0.25,
                                  .sample = [](int, int x, int y) { return 0.5f + x * 0.25f + y * 0.125f; }};
  testsupport::WriteMapFile(dir.File("um.map"), spec);

  ProgramHarness h;  // the toolkit may set the locale from the environment: set ours after it
  const DecimalCommaLocale locale;
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "no locale with a decimal comma could be set";

  ProgramHarness::Drop(h.main(), {dir.File("um.map")});
  ProgramHarness::Settle();
  EXPECT_EQ(h.Rows("LBresults"), (Rows{"Pixel Size: 10(w) x 10(h)", "Micron Size: 2.5(w) x 2.5(h)", " ",
                                       "Files Created:", "Min: 0.5 Max: 3.875", "Max: 00 00 78 40",
                                       "um O1 (2.5µm).png"}));
  EXPECT_EQ(dir.Names(), (Rows{"um O1 (2.5µm).png", "um.map"}));
}
