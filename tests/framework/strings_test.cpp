// The runtime's string functions: character counting over UTF-8 (and over
// bytes that are not UTF-8), our own narrow letter-case folding, fields.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "framework/strings.h"

namespace {

// Two-byte, three-byte and four-byte characters between ASCII ones.
const std::string kMixed = "a\u00B5\u00E9\u20AC\U0001F600b";  // aµé€😀b

struct SliceRow {
  const char* name;
  std::string got;
  std::string expected;
};

TEST(StringsSlices, CountCharactersNotBytes) {
  const SliceRow rows[] = {
      {"left two", fw::Left(kMixed, 2), "a\u00B5"},
      {"left past the end", fw::Left(kMixed, 99), kMixed},
      {"left zero", fw::Left(kMixed, 0), ""},
      {"left negative", fw::Left(kMixed, -1), ""},
      {"right two", fw::Right(kMixed, 2), "\U0001F600b"},
      {"right past the start", fw::Right(kMixed, 99), kMixed},
      {"right negative", fw::Right(kMixed, -3), ""},
      {"mid inside", fw::Mid(kMixed, 3, 2), "\u00E9\u20AC"},
      {"mid past the end", fw::Mid(kMixed, 5, 10), "\U0001F600b"},
      {"mid start beyond", fw::Mid(kMixed, 9, 1), ""},
      {"mid negative count", fw::Mid(kMixed, 2, -1), ""},
      {"mid to the end", fw::Mid(kMixed, 4), "\u20AC\U0001F600b"},
      {"mid start 0 is 1", fw::Mid(kMixed, 0, 1), "a"},
      {"last four of a name", fw::Right("SCAN01.MAP", 4), ".MAP"},
      // A stray byte is one character and nothing is read past the end.
      {"truncated sequence at the end", fw::Right("ab\xE2\x82", 1), "\x82"},
      {"stray continuation byte", fw::Mid("a\x80" "b", 2, 1), "\x80"},
      {"overlong form is two characters", fw::Left("\xC0\x80x", 1), "\xC0"},
      {"surrogate bytes are three characters", fw::Mid("\xED\xA0\x80", 2), "\xA0\x80"},
  };
  for (const SliceRow& row : rows) EXPECT_EQ(row.got, row.expected) << row.name;
}

TEST(StringsSlices, LenAndAsc) {
  EXPECT_EQ(fw::Len(""), 0);
  EXPECT_EQ(fw::Len(kMixed), 6);
  EXPECT_EQ(fw::Len("a\xC3"), 2) << "lead byte without its continuation";
  EXPECT_EQ(fw::Len("\xF4\x90\x80\x80"), 4) << "beyond U+10FFFF";
  EXPECT_EQ(fw::Asc(""), 0);
  EXPECT_EQ(fw::Asc("A"), 65);
  EXPECT_EQ(fw::Asc("\u00E9t\u00E9"), 0xE9);
  EXPECT_EQ(fw::Asc("\u20AC"), 0x20AC);
  EXPECT_EQ(fw::Asc("\U0001F600"), 0x1F600);
  EXPECT_EQ(fw::Asc("\xFF"), 0xFF) << "a stray byte reads as Latin-1";
}

// Random bytes, mostly not UTF-8: the pieces still add up and stay inside s.
TEST(StringsSlices, PiecesOfArbitraryBytesAddUp) {
  std::mt19937 random(99);
  const unsigned char alphabet[] = {'a', 'A', 0x80, 0x97, 0xA9, 0xBF, 0xC3, 0xE2, 0xED, 0xF0, 0xF4, 0xFF};
  std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 1);
  for (int round = 0; round < 2000; ++round) {
    std::string s;
    for (int k = round % 13; k > 0; --k) s += static_cast<char>(alphabet[pick(random)]);
    const int len = fw::Len(s);
    ASSERT_LE(len, static_cast<int>(s.size()));
    for (int k = 0; k <= len + 1; ++k) {
      ASSERT_EQ(fw::Left(s, k) + fw::Mid(s, k + 1), s) << k;
      ASSERT_EQ(fw::Left(s, k) + fw::Right(s, len - k), s) << k;
      const std::string one = fw::Mid(s, k, 1);
      if (k >= 1 && k <= len) {
        ASSERT_EQ(fw::InStr(fw::Mid(s, k), one), 1) << k;
      }
    }
    const std::string text = fw::TextFromBytes(s);
    ASSERT_EQ(fw::TextFromBytes(text), text);
    ASSERT_EQ(fw::Lowercase(s).size(), s.size());
  }
}

struct FoldRow {
  const char* name;
  const char* a;
  const char* b;
  bool equal;
};

TEST(StringsFolding, EqualityFoldsOnlyAsciiAndLatin1Letters) {
  const FoldRow rows[] = {
      {"ascii", "SCAN01.MAP", "scan01.map", true},
      {"suffix", ".MAP", ".map", true},
      {"e acute", "\u00C9T\u00C9", "\u00E9t\u00E9", true},
      {"A grave and thorn", "\u00C0\u00DE", "\u00E0\u00FE", true},
      {"times is not divide", "\u00D7", "\u00F7", false},
      {"micro sign is not mu", "\u00B5", "\u03BC", false},
      {"capital mu is not micro", "\u039C", "\u00B5", false},
      {"sharp s is not ss", "stra\u00DFe", "STRASSE", false},
      {"y diaeresis has no capital here", "\u00FF", "\u0178", false},
      {"accents stay", "e", "\u00E9", false},
      {"different lengths", "ab", "abc", false},
      {"empty", "", "", true},
  };
  for (const FoldRow& row : rows) EXPECT_EQ(fw::StrEqual(row.a, row.b), row.equal) << row.name;
}

TEST(StringsFolding, LowercaseFoldsTheSameLetters) {
  EXPECT_EQ(fw::Lowercase("ABC xyz 09"), "abc xyz 09");
  EXPECT_EQ(fw::Lowercase("\u00C0\u00C9\u00D6\u00DE\u00D7\u00DF"), "\u00E0\u00E9\u00F6\u00FE\u00D7\u00DF");
  EXPECT_EQ(fw::Lowercase("\u00B5\u039C\u0178"), "\u00B5\u039C\u0178");
  EXPECT_EQ(fw::Lowercase("A\x80\xC3"), "a\x80\xC3");
}

TEST(StringsFolding, CompareOrdersFoldedThenBytes) {
  EXPECT_LT(fw::StrCompare("a", "B"), 0);
  EXPECT_GT(fw::StrCompare("b", "A"), 0);
  EXPECT_LT(fw::StrCompare("A", "a"), 0) << "a tie is broken by byte order";
  EXPECT_GT(fw::StrCompare("a", "A"), 0);
  EXPECT_EQ(fw::StrCompare("map", "map"), 0);
  EXPECT_LT(fw::StrCompare("map", "maps"), 0);
  EXPECT_LT(fw::StrCompare("Z", "\u00E9"), 0) << "code point order beyond ASCII";
  EXPECT_LT(fw::StrCompare("\u00C9b", "\u00E9C"), 0) << "\u00C9 and \u00E9 fold together";
  EXPECT_LT(fw::StrCompare("\u00FE", "\u0100"), 0);
}

struct InStrRow {
  const char* name;
  const char* s;
  const char* what;
  int position;
};

TEST(StringsInStr, FoldedCharacterPositions) {
  const InStrRow rows[] = {
      {"eof in capitals", "EOFH", "eof", 1},
      {"key inside a line", "  NoMapPixelsXY: 256 256", "NoMapPixelsXY:", 3},
      {"absent", "abc", "x", 0},
      {"empty needle", "abc", "", 1},
      {"empty needle in empty", "", "", 1},
      {"needle in empty", "", "a", 0},
      {"needle longer than text", "ab", "abc", 0},
      {"position counts characters", "\u00E9\u20ACa", "A", 3},
      {"latin-1 letter folded", "x\u00C9y", "\u00E9", 2},
      {"micro sign is not mu", "a\u00B5b", "\u03BC", 0},
      {"micro sign found", "a\u00B5b", "\u00B5", 2},
      {"ss is not sharp s", "stra\u00DFe", "SS", 0},
      {"times is not divide", "a\u00D7b", "\u00F7", 0},
      {"no match inside a character", "a\u00E9", "\xA9", 0},
      {"no match ending inside a character", "a\u00E9", "a\xC3", 0},
      {"stray byte matches a stray byte", "a\xC3z", "\xC3", 2},
      {"last of several", "aaab", "ab", 3},
  };
  for (const InStrRow& row : rows) EXPECT_EQ(fw::InStr(row.s, row.what), row.position) << row.name;
}

struct FieldRow {
  const char* name;
  const char* s;
  int n;
  const char* field;
};

TEST(StringsNthField, EmptyPiecesAreKept) {
  const FieldRow rows[] = {
      {"first", "NoMapPixelsXY: 256 128", 1, "NoMapPixelsXY:"},
      {"second", "NoMapPixelsXY: 256 128", 2, "256"},
      {"third", "NoMapPixelsXY: 256 128", 3, "128"},
      {"past the last", "NoMapPixelsXY: 256 128", 4, ""},
      {"two blanks make an empty field", "Key:  256", 2, ""},
      {"value after two blanks", "Key:  256", 3, "256"},
      {"leading blank makes field 1 empty", " Key: 5", 1, ""},
      {"leading blank moves values on", " Key: 5", 3, "5"},
      {"trailing blank", "a ", 2, ""},
      {"no separator", "abc", 1, "abc"},
      {"no separator, field 2", "abc", 2, ""},
      {"zero", "a b", 0, ""},
      {"empty text", "", 1, ""},
  };
  for (const FieldRow& row : rows) EXPECT_EQ(fw::NthField(row.s, " ", row.n), row.field) << row.name;
  EXPECT_EQ(fw::NthField("a<>b<>c", "<>", 3), "c");
  EXPECT_EQ(fw::NthField("\u00E9\u20AC\u00E9", "\u20AC", 2), "\u00E9");
}

TEST(StringsText, JoinAndTextFromBytes) {
  EXPECT_EQ(fw::Join({}, ", "), "");
  EXPECT_EQ(fw::Join({"a"}, ", "), "a");
  EXPECT_EQ(fw::Join({"a", "", "b"}, ", "), "a, , b");

  EXPECT_EQ(fw::TextFromBytes(kMixed), kMixed);
  EXPECT_EQ(fw::TextFromBytes("plain"), "plain");
  EXPECT_EQ(fw::TextFromBytes("\xE9t\xE9"), "\u00E9t\u00E9");
  EXPECT_EQ(fw::TextFromBytes("5 \xB5m"), "5 \u00B5m");
  // One bad byte turns the whole text into Latin-1, the valid pairs too.
  EXPECT_EQ(fw::TextFromBytes("\xC3\xA9\xFF"), "\u00C3\u00A9\u00FF");
  EXPECT_EQ(fw::TextFromBytes("\xC0\x80"), "\u00C0\u0080") << "overlong NUL is not UTF-8";
  EXPECT_EQ(fw::TextFromBytes("\xED\xA0\x80"), "\u00ED\u00A0\u0080") << "surrogates are not UTF-8";
}

}  // namespace
