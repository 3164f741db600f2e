// The cleaning of names for output files.
#include "mapconv/clean_string.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CleanString, KeepsOnlyCharactersSafeInFileNames) {
  const struct {
    const char* name;
    std::string input, expected;
  } rows[] = {
      {"plain", "O1", "O1"},
      {"runs of blanks, low lines and solidus shrink to one", "a _/b", "a_b"},
      {"trailing blank vanishes", "abc ", "abc"},
      {"leading run stays one", "  /abc", "_abc"},
      {"blanks only", "   ", ""},
      {"empty", "", "?"},
      {"German letters and the micro sign", "Maß 5µm ÄÖÜäöü", "Maß_5µm_ÄÖÜäöü"},
      {"Greek mu is not the micro sign", "5μm", "5_m"},
      {"accents outside the set", "aéÉàåÿŸb", "a_b"},
      {"punctuation", "-+()[]{}&%$#@!?<>^~.,", "-+()[]{}&%$#@!?<>^~.,"},
      {"unsafe for files", "a\\b:c;d'e\"f*g=h|i`j", "a_b_c_d_e_f_g_h_i_j"},
      {"control characters", std::string("a\0b\tc\n", 6), "a_b_c"},
      {"invalid UTF-8 bytes", "a\xC3\x28\xFF" "b", "a_(_b"},
      {"truncated sequence at the end", "ab\xE2\x82", "ab"},
      {"overlong form of a kept letter", "a\xC3\x84\xE0\x83\x84" "b", "a\xC3\x84_b"},
      {"surrogate bytes", "a\xED\xA0\x80" "b", "a_b"},
      {"emoji", "x😀y", "x_y"},
      {"size label passes unchanged", "(2.5µmw)", "(2.5µmw)"},
      // A header line can hold a name of 64 KiB; cleaning it must stay quick.
      {"64 KiB of blanks", std::string(1 << 16, ' '), ""},
      {"64 KiB of letters", std::string(1 << 16, 'a'), std::string(1 << 16, 'a')},
  };
  for (const auto& row : rows) EXPECT_EQ(mapconv::CleanString(row.input), row.expected) << row.name;
}

}  // namespace
