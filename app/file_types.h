#pragma once
// The program's three document types.
#include <memory>

#include "framework/file_types.h"

namespace app::FileTypes {

extern std::unique_ptr<fw::FileType> pText;
extern std::unique_ptr<fw::FileType> pSpecialAny;
extern std::unique_ptr<fw::FileType> pPHI_Image;

// Defines and registers the three types, in table order.
void Initialize();
// Shut-down: each releases its type (which deregisters it) and clears it.
void Release_pText();
void Release_pSpecialAny();
void Release_pPHI_Image();

}  // namespace app::FileTypes
