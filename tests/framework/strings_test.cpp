// The runtime's string functions: characters counted over UTF-8 (a stray byte
// is one character), our own narrow letter-case folding. NthField is
// checked through the header's keys.
#include <gtest/gtest.h>

#include <random>
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
  EXPECT_EQ(fw::CharLength("\xE0\x80\x80", 0), 1u) << "overlong";
  EXPECT_EQ(fw::Asc("\U0001F600"), 0x1F600);
  EXPECT_EQ(fw::Asc("\xFF"), 0xFF) << "a stray byte reads as Latin-1";
}

// Random bytes, mostly not UTF-8: the pieces still add up and stay inside s.
TEST(Strings, PiecesOfArbitraryBytesAddUp) {
  std::mt19937 random(99);
  const unsigned char alphabet[] = {'a', 'A', 0x80, 0x97, 0xA9, 0xBF, 0xC3, 0xE2, 0xED, 0xF0, 0xF4, 0xFF};
  std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 1);
  for (int round = 0; round < 2000; ++round) {
    std::string s;
    for (int k = round % 13; k > 0; --k) s += static_cast<char>(alphabet[pick(random)]);
    const int len = fw::Len(s);
    for (int k = 0; k <= len + 1; ++k) {
      ASSERT_EQ(fw::Left(s, k) + fw::Mid(s, k + 1), s) << k;
      ASSERT_EQ(fw::Left(s, k) + fw::Right(s, len - k), s) << k;
      if (k >= 1 && k <= len) ASSERT_EQ(fw::InStr(fw::Mid(s, k), fw::Mid(s, k, 1)), 1) << k;
    }
    ASSERT_EQ(fw::TextFromBytes(fw::TextFromBytes(s)), fw::TextFromBytes(s));
  }
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

TEST(Strings, InStrFindsFoldedCharacterPositions) {
  const struct {
    const char *name, *s, *what;
    int position;
  } rows[] = {
      {"inside a line, letter case folded", "  NoMapPixelsXY: 256 256", "nomappixelsxy:", 3},
      {"absent", "abc", "x", 0},
      {"empty needle", "", "", 1},
      {"position counts characters", "\u00E9\u20ACa", "A", 3},
      {"micro sign is not mu", "a\u00B5b", "\u03BC", 0},
      {"no match ending inside a character", "a\u00E9", "a\xC3", 0},
      {"stray byte matches a stray byte", "a\xC3z", "\xC3", 2},
  };
  for (const auto& row : rows) EXPECT_EQ(fw::InStr(row.s, row.what), row.position) << row.name;
}

TEST(Strings, TextFromBytesIsUtf8ElseLatin1) {
  EXPECT_EQ(fw::TextFromBytes(kMixed), kMixed);
  EXPECT_EQ(fw::TextFromBytes("5 \xB5m"), "5 \u00B5m");
  EXPECT_EQ(fw::TextFromBytes("\xC3\xA9\xFF"), "\u00C3\u00A9\u00FF") << "one bad byte makes it all Latin-1";
  EXPECT_EQ(fw::TextFromBytes("\xC0\x80"), "\u00C0\u0080") << "overlong NUL is not UTF-8";
  EXPECT_EQ(fw::TextFromBytes("\xED\xA0\x80"), "\u00ED\u00A0\u0080") << "surrogates are not UTF-8";
}

}  // namespace
