// The runtime's string functions: characters counted over UTF-8 (a stray byte
// is one character), our own narrow letter-case folding. NthField and InStr
// are checked through the header's keys and the name cleaning, the reading of
// text as UTF-8 else Latin-1 through the file layer.
#include <gtest/gtest.h>

#include <string>

#include "framework/strings.h"

namespace {

const std::string kMixed = "a\u00B5\u00E9\u20AC\U0001F600b";  // aµé€😀b: 1- to 4-byte characters

TEST(Strings, SlicesCountCharacters) {
  const struct {
    const char* name;
    std::string got, expected;
  } rows[] = {
      {"left two", fw::Left(kMixed, 2), "a\u00B5"},
      {"left negative", fw::Left(kMixed, -1), ""},
      {"right past the start", fw::Right(kMixed, 99), kMixed},
      {"mid inside", fw::Mid(kMixed, 3, 2), "\u00E9\u20AC"},
      {"mid negative count", fw::Mid(kMixed, 2, -1), ""},
      {"mid start 0 is 1", fw::Mid(kMixed, 0, 1), "a"},
      {"truncated sequence at the end", fw::Right("ab\xE2\x82", 1), "\x82"},
      {"overlong form is two characters", fw::Left("\xC0\x80x", 1), "\xC0"},
      {"surrogate bytes are three characters", fw::Mid("\xED\xA0\x80", 2), "\xA0\x80"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.got, row.expected) << row.name;
  EXPECT_EQ(fw::Len(kMixed), 6);
  EXPECT_EQ(fw::Len("\xF4\x90\x80\x80"), 4) << "beyond U+10FFFF";
}

// Only ASCII and the Latin-1 letters fold; µ must stay apart from Greek μ.
TEST(Strings, FoldingTouchesOnlyAsciiAndLatin1Letters) {
  const struct {
    const char *name, *a, *b;
    bool equal;
  } rows[] = {
      {"ascii", "SCAN01.MAP", "scan01.map", true},
      {"A grave, E acute and thorn", "\u00C0\u00C9\u00DE", "\u00E0\u00E9\u00FE", true},
      {"times is not divide", "\u00D7", "\u00F7", false},
      {"micro sign is not mu", "\u00B5", "\u03BC", false},
      {"sharp s is not ss", "stra\u00DFe", "STRASSE", false},
      {"y diaeresis has no capital here", "\u00FF", "\u0178", false},
      {"accents stay", "e", "\u00E9", false},
  };
  for (const auto& row : rows) EXPECT_EQ(fw::StrEqual(row.a, row.b), row.equal) << row.name;
  // The sort of the Add Images window is its own table's business.
  EXPECT_LT(fw::StrCompare("\u00C9b", "\u00E9C"), 0) << "\u00C9 and \u00E9 fold together";
}

// The one suffix rule for ".sem" and ".map" names, everywhere the program tests one.
TEST(Strings, EndsWithFoldsCaseAndCountsCharacters) {
  for (const char* name : {"SCAN.MAP", "b.Map", ".map"}) EXPECT_TRUE(fw::EndsWith(name, ".map")) << name;
  for (const char* name : {"map", "x.mapx", "scanmap"}) EXPECT_FALSE(fw::EndsWith(name, ".map")) << name;
  EXPECT_TRUE(fw::EndsWith("\u00E9T\u00C9.SEM", ".sem"));
  EXPECT_FALSE(fw::EndsWith("a\u00E9", "\xA9")) << "no match inside a character";
}

}  // namespace
