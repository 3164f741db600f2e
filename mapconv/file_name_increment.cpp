#include "mapconv/file_name_increment.h"

#include "framework/numbers.h"
#include "framework/strings.h"
#include "framework/yield.h"

namespace mapconv {

NameParts SplitAtLastDot(const std::string& name) {
  // "." is one byte that never occurs inside a UTF-8 sequence, so the byte
  // search finds the same place as a search by characters.
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return {name, ""};
  return {name.substr(0, dot), name.substr(dot)};
}

std::string NumberedName(const NameParts& parts, int n) {
  return parts.stem + " " + fw::Format(n, "00") + parts.extension;
}

fw::FolderItemRef FileNameIncrement(const fw::FolderItemRef& f,
                                    const std::function<void()>& onReach1000) {
  if (!f) return nullptr;
  if (!f->Exists()) return f;
  const NameParts parts = SplitAtLastDot(f->DisplayName());
  // One yield per character passed over on the way back to the last ".".
  if (!parts.extension.empty())
    for (int i = fw::Len(parts.extension) - 1; i > 0; --i) fw::RuntimeBackgroundTask();

  const fw::FolderItemRef folder = f->Parent();
  if (!folder) return nullptr;
  for (int n = 2;; ++n) {
    fw::FolderItemRef candidate = folder->Child(NumberedName(parts, n));
    if (!candidate) return nullptr;
    if (!candidate->Exists()) return candidate;
    if (n + 1 == 1000) {
      if (onReach1000) onReach1000();
      return folder->Child(NumberedName(parts, 1000));
    }
    fw::RuntimeBackgroundTask();
  }
}

}  // namespace mapconv
