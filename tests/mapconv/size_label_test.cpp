#include "mapconv/size_label.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct LabelCase {
  const char* name;
  double w, h;
  const char* expected;
};

class SizeLabelTable : public testing::TestWithParam<LabelCase> {};

TEST_P(SizeLabelTable, Label) {
  const auto& c = GetParam();
  EXPECT_EQ(mapconv::SizeLabel(c.w, c.h), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SizeLabelTable,
    testing::Values(LabelCase{"Nanometres", 0.35, 0.35, "(350nm)"},
                    LabelCase{"JustBelowOneMicron", 0.9994, 0.9994, "(999nm)"},
                    LabelCase{"RoundsUpToOneMicronAndDiffers", 0.9996, 0.5, "(1µmw)"},
                    LabelCase{"RoundsUpToOneMicron", 0.9996, 0.9996, "(1µm)"},
                    LabelCase{"OneDecimal", 2.5, 2.5, "(2.5µm)"},
                    LabelCase{"WholeMicronsLoseTheirPointZero", 12, 12, "(12µm)"},
                    LabelCase{"HeightDiffersInLastBits", 12, 12.0000001, "(12µmw)"},
                    LabelCase{"HeightOneUlpAway", 12, std::nextafter(12.0, 13.0), "(12µmw)"},
                    LabelCase{"RoundedToOneDecimal", 1234.56, 1234.56, "(1234.6µm)"},
                    LabelCase{"NegativeGoesToNanometres", -2, -2, "(-2000nm)"},
                    LabelCase{"ZeroField", 0, 0, "(0nm)"},
                    LabelCase{"NegativeZeroField", -0.0, 0, "(0nm)"},
                    LabelCase{"TieRoundsAwayFromZero", 62.25, 62.25, "(62.3µm)"},
                    LabelCase{"NanometreTieRoundsUp", 0.0625, 0.0625, "(63nm)"}),
    [](const testing::TestParamInfo<LabelCase>& info) { return std::string(info.param.name); });

}  // namespace
