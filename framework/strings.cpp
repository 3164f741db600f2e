#include "framework/strings.h"

#include <cstddef>
#include <cstdint>

namespace fw {
namespace {

unsigned char ByteAt(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

// Nothing past the end of s is ever read.
size_t CharLength(std::string_view s, size_t i) {
  const unsigned char b0 = ByteAt(s, i);
  if (b0 < 0x80) return 1;
  const size_t left = s.size() - i;
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 3;
    if (b0 == 0xE0) lo = 0xA0;  // overlong
    if (b0 == 0xED) hi = 0x9F;  // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 4;
    if (b0 == 0xF0) lo = 0x90;  // overlong
    if (b0 == 0xF4) hi = 0x8F;  // beyond U+10FFFF
  } else {
    return 1;
  }
  if (left < need) return 1;
  const unsigned char b1 = ByteAt(s, i + 1);
  if (b1 < lo || b1 > hi) return 1;
  for (size_t k = 2; k < need; ++k) {
    if (!IsContinuation(ByteAt(s, i + k))) return 1;
  }
  return need;
}

namespace {

// Byte offset just after the first `count` characters of s (s.size() when s is shorter).
size_t OffsetOfChar(std::string_view s, int count) {
  size_t i = 0;
  while (count > 0 && i < s.size()) {
    i += CharLength(s, i);
    --count;
  }
  return i;
}

// The case folding works on bytes and keeps the length: ASCII capitals, and the
// second byte of the two-byte forms C3 80..C3 9E (U+00C0..U+00DE) except C3 97
// (U+00D7), move to their small letters. 0xC3 is never a continuation byte, so
// a C3 followed by a continuation byte is always one well-formed character.
unsigned char FoldedByte(std::string_view s, size_t i) {
  const unsigned char b = ByteAt(s, i);
  if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b + 0x20);
  if (b >= 0x80 && b <= 0x9E && b != 0x97 && i > 0 && ByteAt(s, i - 1) == 0xC3) {
    return static_cast<unsigned char>(b + 0x20);
  }
  return b;
}

bool FoldedMatchAt(std::string_view s, size_t at, std::string_view what) {
  if (s.size() - at < what.size()) return false;
  for (size_t k = 0; k < what.size(); ++k) {
    if (FoldedByte(s, at + k) != FoldedByte(what, k)) return false;
  }
  // The match must also end on a character boundary of s (what may end in a
  // lead byte that s continues).
  size_t end = at;
  while (end < at + what.size()) end += CharLength(s, end);
  return end == at + what.size();
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else {  // Latin-1 only: two bytes
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = ByteAt(s, i);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const size_t n = CharLength(s, i);
    if (n == 1) return false;
    i += n;
  }
  return true;
}

}  // namespace

int Len(std::string_view s) {
  int n = 0;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) ++n;
  return n;
}

std::string Left(std::string_view s, int count) {
  if (count <= 0) return {};
  return std::string(s.substr(0, OffsetOfChar(s, count)));
}

std::string Right(std::string_view s, int count) {
  if (count <= 0) return {};
  const int len = Len(s);
  if (count >= len) return std::string(s);
  return std::string(s.substr(OffsetOfChar(s, len - count)));
}

std::string Mid(std::string_view s, int start, int count) {
  if (count <= 0) return {};
  if (start < 1) start = 1;
  const size_t from = OffsetOfChar(s, start - 1);
  const std::string_view rest = s.substr(from);
  return std::string(rest.substr(0, OffsetOfChar(rest, count)));
}

std::string Mid(std::string_view s, int start) {
  if (start < 1) start = 1;
  return std::string(s.substr(OffsetOfChar(s, start - 1)));
}

int InStr(std::string_view s, std::string_view what) {
  if (what.empty()) return 1;
  int position = 1;
  for (size_t i = 0; i < s.size() && s.size() - i >= what.size(); i += CharLength(s, i), ++position) {
    if (FoldedMatchAt(s, i, what)) return position;
  }
  return 0;
}

std::string NthField(std::string_view s, std::string_view separator, int n) {
  if (n < 1) return {};
  if (separator.empty()) return n == 1 ? std::string(s) : std::string();
  size_t start = 0;
  for (int field = 1; field < n; ++field) {
    const size_t hit = s.find(separator, start);
    if (hit == std::string_view::npos) return {};
    start = hit + separator.size();
  }
  const size_t end = s.find(separator, start);
  return std::string(s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

int Asc(std::string_view s) {
  if (s.empty()) return 0;
  const size_t n = CharLength(s, 0);
  const unsigned char b0 = ByteAt(s, 0);
  if (n == 1) return b0;  // ASCII, or a stray byte taken as Latin-1
  uint32_t cp = b0 & (0xFF >> (n + 1));
  for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (ByteAt(s, k) & 0x3F);
  return static_cast<int>(cp);
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += separator;
    out += parts[i];
  }
  return out;
}

bool StrEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldedByte(a, i) != FoldedByte(b, i)) return false;
  }
  return true;
}

bool EndsWith(std::string_view s, std::string_view suffix) { return StrEqual(Right(s, Len(suffix)), suffix); }

int StrCompare(std::string_view a, std::string_view b) {
  // Byte order of UTF-8 is code point order, so the folded bytes compare as the
  // folded characters do.
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    const unsigned char fa = FoldedByte(a, i), fb = FoldedByte(b, i);
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int plain = a.compare(b);
  return plain < 0 ? -1 : (plain > 0 ? 1 : 0);
}

std::string TextFromBytes(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size(); ++i) AppendUtf8(out, ByteAt(bytes, i));
  return out;
}

}  // namespace fw
