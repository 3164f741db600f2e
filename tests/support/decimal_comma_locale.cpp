#include "tests/support/decimal_comma_locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace testsupport {

DecimalCommaLocale::DecimalCommaLocale() : savedLocale_(std::setlocale(LC_ALL, nullptr)) {
  if (const char* path = std::getenv("LOCPATH")) savedLocPath_ = path;
  if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return;
  builtDir_ = std::make_unique<TempDir>();
  const std::string command = "localedef -c -i de_DE -f UTF-8 '" + builtDir_->File("de_DE.UTF-8") + "' >/dev/null 2>&1";
  [[maybe_unused]] const int status = std::system(command.c_str());
  ::setenv("LOCPATH", builtDir_->path().c_str(), 1);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
}

DecimalCommaLocale::~DecimalCommaLocale() {
  std::setlocale(LC_ALL, "C");
  if (savedLocPath_)
    ::setenv("LOCPATH", savedLocPath_->c_str(), 1);
  else
    ::unsetenv("LOCPATH");
  std::setlocale(LC_ALL, savedLocale_.c_str());
}

bool DecimalCommaLocale::Active() const { return std::strcmp(std::localeconv()->decimal_point, ",") == 0; }

}  // namespace testsupport
