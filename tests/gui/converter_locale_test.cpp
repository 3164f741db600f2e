// A decimal comma in the C library's locale must not reach the header's
// numbers, the listed rows or the output names.
#include <gtest/gtest.h>

#include <string>

#include "mapconv/main_window.h"
#include "tests/support/decimal_comma_locale.h"
#include "tests/support/gui_harness.h"
#include "tests/support/map_file_generator.h"

using testsupport::ProgramHarness;
using Rows = std::vector<std::string>;

TEST(ConverterLocale, DecimalCommaChangesNothing) {
  testsupport::TempDir dir;
  testsupport::MapSpec spec;  // 2.5 µm square: decimals in the steps, the rows and the name
  spec.width = spec.height = 10;
  spec.hstep = spec.vstep = 0.25;
  spec.species = {"O1"};
  spec.sample = [](int, int x, int y) { return 0.5f + x * 0.25f + y * 0.125f; };
  testsupport::WriteMapFile(dir.File("um.map"), spec);

  ProgramHarness h;  // the toolkit may set the locale from the environment: set ours after it
  testsupport::DecimalCommaLocale locale;
  ASSERT_TRUE(locale.Active()) << "no locale with a decimal comma could be set";

  ProgramHarness::Drop(h.main(), {dir.File("um.map")});
  ProgramHarness::Settle();
  EXPECT_EQ(h.Rows("LBresults"), (Rows{"Pixel Size: 10(w) x 10(h)", "Micron Size: 2.5(w) x 2.5(h)", " ",
                                       "Files Created:", "Min: 0.5 Max: 3.875", "Max: 00 00 78 40",
                                       "um O1 (2.5µm).png"}));
  EXPECT_EQ(dir.Names(), (Rows{"um O1 (2.5µm).png", "um.map"}));
}
