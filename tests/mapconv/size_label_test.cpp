// The field size in an output name.
#include "mapconv/size_label.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SizeLabel, NanometresBelowOneMicronAndAWhenTheHeightDiffers) {
  const struct {
    const char* name;
    double w, h;
    const char* label;
  } rows[] = {
      {"nanometres", 0.35, 0.35, "(350nm)"},
      {"just below one micron", 0.9994, 0.9994, "(999nm)"},
      {"rounds up to one micron, height differs", 0.9996, 0.5, "(1µmw)"},
      {"one decimal", 2.5, 2.5, "(2.5µm)"},
      {"whole microns lose their point zero", 12, 12, "(12µm)"},
      {"height one ulp away", 12, std::nextafter(12.0, 13.0), "(12µmw)"},
      {"rounded to one decimal", 1234.56, 1234.56, "(1234.6µm)"},
      {"negative goes to nanometres", -2, -2, "(-2000nm)"},
      {"negative zero", -0.0, 0, "(0nm)"},
      {"tie rounds away from zero", 62.25, 62.25, "(62.3µm)"},
      {"nanometre tie rounds up", 0.0625, 0.0625, "(63nm)"},
  };
  for (const auto& row : rows) EXPECT_EQ(mapconv::SizeLabel(row.w, row.h), row.label) << row.name;
}

}  // namespace
