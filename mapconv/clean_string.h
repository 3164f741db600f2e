#pragma once
// Reduces a text to the characters that are safe in an output file name.
#include <string>

namespace mapconv {

// The 91 characters that pass unchanged.
extern const char* const kAllowedNameCharacters;

// Every character outside the allowed set becomes "_", runs of "_" shrink to
// one, a run at the end vanishes; "" gives "?". Yields once per character.
std::string CleanString(const std::string& s);

}  // namespace mapconv
