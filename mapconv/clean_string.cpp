#include "mapconv/clean_string.h"

#include <string_view>

#include "framework/strings.h"
#include "framework/yield.h"

namespace mapconv {

const char* const kAllowedNameCharacters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZäöüßÄÖÜµ1234567890-+()[]{}&%$#@!?<>^~.,";

namespace {

// A stray byte (a character of its own, see fw::CharLength) matches nothing in the set.
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
    const std::string_view c(t.data() + i, fw::CharLength(t, i));
    if (Allowed(c))
      u += c;
    else
      u += '_';
    i += c.size();
    fw::RuntimeBackgroundTask();
  }

  // u is never empty and its first character is whole, so it may be copied as
  // bytes; "_" is one byte, so the run test can look at single bytes.
  const std::size_t first = fw::CharLength(u, 0);
  std::string r = u.substr(0, first);
  for (std::size_t i = first; i < u.size();) {
    const std::size_t n = fw::CharLength(u, i);
    if (!(u[i] == '_' && r.back() == '_')) r.append(u, i, n);
    i += n;
    fw::RuntimeBackgroundTask();
  }
  // The appended "_" (or the run it joined) is the last character.
  r.pop_back();
  return r;
}

}  // namespace mapconv
