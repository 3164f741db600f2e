#pragma once
// Numbering of an output name that is already taken: "name.png" becomes
// "name 02.png", "name 03.png", ... up to 999.
#include <functional>
#include <string>

#include "framework/folder_item.h"

namespace mapconv {

struct NameParts {
  std::string stem, extension;  // the extension starts with its "."; "" when there is none
};

// Only the last "." splits: "a.b.c" -> "a.b" + ".c".
NameParts SplitAtLastDot(const std::string& name);

// stem + " " + at least two digits + extension.
std::string NumberedName(const NameParts& parts, int n);

// f itself when it names no existing file; else the first free name numbered
// 2 to 999 in its folder. When all of those are taken, onReach1000 is called
// and the name numbered 1000 is given without a test. nil when f is nil or its
// folder or a name in it cannot be reached: the caller stops there.
fw::FolderItemRef FileNameIncrement(const fw::FolderItemRef& f,
                                    const std::function<void()>& onReach1000);

}  // namespace mapconv
