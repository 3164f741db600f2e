#include "mapconv/clean_string.h"

#include <string_view>

#include "framework/strings.h"
#include "framework/yield.h"

namespace mapconv {

const char* const kAllowedNameCharacters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZäöüßÄÖÜµ1234567890-+()[]{}&%$#@!?<>^~.,";

namespace {

// Length in bytes of the character at the start of s: a well-formed UTF-8
// sequence, else a single byte (which then matches nothing in the set).
std::size_t CharacterLength(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  std::size_t n = b0 < 0x80 ? 1 : b0 >= 0xC2 && b0 <= 0xDF ? 2 : b0 >= 0xE0 && b0 <= 0xEF ? 3
                  : b0 >= 0xF0 && b0 <= 0xF4                ? 4
                                                             : 1;
  if (n > s.size()) return 1;
  for (std::size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  return n;
}

bool Allowed(std::string_view c) {
  if (c.size() == 1 && static_cast<unsigned char>(c[0]) >= 0x80) return false;
  return fw::InStr(kAllowedNameCharacters, c) != 0;
}

}  // namespace

std::string CleanString(const std::string& s) {
  if (s.empty()) return "?";
  const std::string t = s + "_";

  std::string u;
  u.reserve(t.size());
  for (std::size_t i = 0; i < t.size();) {
    const std::string_view c(t.data() + i, CharacterLength(std::string_view(t).substr(i)));
    if (Allowed(c))
      u += c;
    else
      u += '_';
    i += c.size();
    fw::RuntimeBackgroundTask();
  }

  // u is never empty and its first character is whole, so it may be copied as
  // bytes; "_" is one byte, so the run test can look at single bytes.
  const std::size_t first = CharacterLength(u);
  std::string r = u.substr(0, first);
  for (std::size_t i = first; i < u.size();) {
    const std::size_t n = CharacterLength(std::string_view(u).substr(i));
    if (!(u[i] == '_' && r.back() == '_')) r.append(u, i, n);
    i += n;
    fw::RuntimeBackgroundTask();
  }
  // The appended "_" (or the run it joined) is the last character.
  r.pop_back();
  return r;
}

}  // namespace mapconv
