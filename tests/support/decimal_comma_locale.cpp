#include "tests/support/decimal_comma_locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace testsupport {

DecimalCommaLocale::DecimalCommaLocale() : savedLocale_(std::setlocale(LC_ALL, nullptr)) {
  if (const char* path = std::getenv("LOCPATH")) {
    savedLocPath_ = path;
    hadLocPath_ = true;
  }
  if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return;
  char pattern[] = "/tmp/orv-locale-XXXXXX";
  if (!::mkdtemp(pattern)) return;
  builtDir_ = pattern;
  const std::string command = "localedef -c -i de_DE -f UTF-8 '" + builtDir_ + "/de_DE.UTF-8' >/dev/null 2>&1";
  [[maybe_unused]] const int status = std::system(command.c_str());
  ::setenv("LOCPATH", builtDir_.c_str(), 1);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
}

DecimalCommaLocale::~DecimalCommaLocale() {
  std::setlocale(LC_ALL, "C");
  if (hadLocPath_)
    ::setenv("LOCPATH", savedLocPath_.c_str(), 1);
  else
    ::unsetenv("LOCPATH");
  std::setlocale(LC_ALL, savedLocale_.c_str());
  if (!builtDir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(builtDir_, ignored);
  }
}

bool DecimalCommaLocale::Active() const { return std::strcmp(std::localeconv()->decimal_point, ",") == 0; }

}  // namespace testsupport
