#pragma once
// String functions of the runtime. Strings are UTF-8; lengths and positions
// count characters (code points), from 1.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// The line end that the program writes between lines of text.
inline const std::string EndOfLine = "\n";

// Byte length of the character that starts at byte i of s: a well-formed
// UTF-8 sequence (no overlong form, no surrogate, nothing beyond U+10FFFF),
// else 1, so that each stray byte counts as a character of its own.
size_t CharLength(std::string_view s, size_t i);

int Len(std::string_view s);
std::string Left(std::string_view s, int count);    // count < 0 gives ""
std::string Right(std::string_view s, int count);   // count < 0 gives ""
std::string Mid(std::string_view s, int start, int count);  // start from 1
std::string Mid(std::string_view s, int start);             // to the end
// 1-based character position of the first occurrence of what in s (letter
// case folded as by StrEqual), 0 when absent; "" is found at 1 in any s.
int InStr(std::string_view s, std::string_view what);
// Field n (from 1) of the pieces between single separators; empty pieces are
// kept; a field past the last is "".
std::string NthField(std::string_view s, std::string_view separator, int n);
// Code point of the first character; 0 for "".
int Asc(std::string_view s);
std::string Join(const std::vector<std::string>& parts, std::string_view separator);

// Equality that ignores letter case by folding ASCII letters and the Latin-1
// letters U+00C0-U+00DE / U+00E0-U+00FE (not U+00D7 / U+00F7). Nothing else is
// folded: not the micro sign, not sharp s, not accents.
bool StrEqual(std::string_view a, std::string_view b);
// Whether s ends in suffix, letter case folded as by StrEqual (".MAP" ends in ".map").
bool EndsWith(std::string_view s, std::string_view suffix);
// Order of the folded strings, ties broken by plain byte order (<0, 0, >0).
int StrCompare(std::string_view a, std::string_view b);

// Decodes s as UTF-8 where valid, else as Latin-1, giving UTF-8.
std::string TextFromBytes(std::string_view bytes);

}  // namespace fw
