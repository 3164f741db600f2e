#include "mapconv/clean_string.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/yield.h"

namespace {

struct CleanCase {
  const char* name;
  std::string input;
  std::string expected;
};

class CleanStringTable : public testing::TestWithParam<CleanCase> {};

TEST_P(CleanStringTable, Cleaned) {
  const auto& c = GetParam();
  EXPECT_EQ(mapconv::CleanString(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CleanStringTable,
    testing::Values(CleanCase{"Plain", "O1", "O1"},
                    CleanCase{"Blank", "Fe 2p", "Fe_2p"},
                    CleanCase{"TwoBlanks", "a  b", "a_b"},
                    CleanCase{"TwoLowLines", "a__b", "a_b"},
                    CleanCase{"MixedRun", "a _/b", "a_b"},
                    CleanCase{"TrailingBlank", "abc ", "abc"},
                    CleanCase{"LeadingBlank", " abc", "_abc"},
                    CleanCase{"LeadingRun", "  /abc", "_abc"},
                    CleanCase{"NumberSign", "run #3", "run_#3"},
                    CleanCase{"Solidus", "Fe/Ni 2", "Fe_Ni_2"},
                    CleanCase{"GermanAndMicroSign", "Maß 5µm", "Maß_5µm"},
                    CleanCase{"UpperUmlauts", "ÄÖÜäöü", "ÄÖÜäöü"},
                    CleanCase{"BlanksOnly", "   ", ""},
                    CleanCase{"LowLineOnly", "_", ""},
                    CleanCase{"Empty", "", "?"},
                    CleanCase{"GreekMu", "5μm", "5_m"},
                    CleanCase{"AccentsOutsideTheSet", "éÉàå", ""},
                    CleanCase{"AccentBetween", "aéb", "a_b"},
                    CleanCase{"YWithDiaeresis", "ÿŸ", ""},
                    CleanCase{"Punctuation", "-+()[]{}&%$#@!?<>^~.,", "-+()[]{}&%$#@!?<>^~.,"},
                    CleanCase{"UnsafeForFiles", "a\\b:c;d'e\"f*g=h|i`j", "a_b_c_d_e_f_g_h_i_j"},
                    CleanCase{"ControlCharacters", std::string("a\0b\tc\n", 6), "a_b_c"},
                    CleanCase{"InvalidUtf8Bytes", "a\xC3\x28\xFF" "b", "a_(_b"},
                    CleanCase{"TruncatedSequenceAtEnd", "ab\xE2\x82", "ab"},
                    CleanCase{"SizeLabelPassesUnchanged", "(-2000nm)", "(-2000nm)"},
                    CleanCase{"SizeLabelMicrons", "(2.5µmw)", "(2.5µmw)"},
                    CleanCase{"Emoji", "x😀y", "x_y"}),
    [](const testing::TestParamInfo<CleanCase>& info) { return std::string(info.param.name); });

TEST(CleanStringYield, OncePerCharacterOfEachPass) {
  int yields = 0;
  fw::SetYieldHook([&yields] { ++yields; });
  const std::string cleaned = mapconv::CleanString("aµ b");  // t has 5 characters, u as well
  fw::SetYieldHook(nullptr);
  EXPECT_EQ(cleaned, "aµ_b");
  EXPECT_EQ(yields, 5 + 4);
}

TEST(CleanStringLongInput, LinearTime) {
  // A header line can hold a name of 64 KiB; cleaning it must stay quick.
  const std::string name(1 << 16, ' ');
  EXPECT_EQ(mapconv::CleanString(name), "");
  EXPECT_EQ(mapconv::CleanString(std::string(1 << 16, 'a')).size(), std::size_t{1} << 16);
}

}  // namespace
