#pragma once
// Sets a German locale (decimal comma) for the life of the object, building it
// into a temporary folder when the machine has none; the previous locale and
// LOCPATH come back at the end.
#include <memory>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"

namespace testsupport {

class DecimalCommaLocale {
 public:
  DecimalCommaLocale();
  ~DecimalCommaLocale();
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;
  // Whether the C library now writes a decimal comma; a test proves nothing
  // unless it does.
  bool Active() const;

 private:
  std::string savedLocale_;
  std::optional<std::string> savedLocPath_;
  std::unique_ptr<TempDir> builtDir_;  // where the locale was built, if it was
};

}  // namespace testsupport
