#include "app/file_types.h"

namespace app::FileTypes {

std::unique_ptr<fw::FileType> pText;
std::unique_ptr<fw::FileType> pSpecialAny;
std::unique_ptr<fw::FileType> pPHI_Image;

namespace {
void Define(std::unique_ptr<fw::FileType>& slot, const char* name, const char* extensions, const char* type,
            const char* creator) {
  slot = std::make_unique<fw::FileType>();
  slot->SetName(name);
  slot->SetExtensions(extensions);
  slot->SetMacType(type);
  slot->SetMacCreator(creator);
  (void)slot->ToString();  // the conversion registers it
}
}  // namespace

void Initialize() {
  Define(pText, "text", "", "TEXT", "R*ch");
  Define(pSpecialAny, "special/any", "", "????", "????");
  Define(pPHI_Image, "PHI SEM-MAP Image", ".sem; .map", "????", "????");
}

void Release_pText() { pText.reset(); }
void Release_pSpecialAny() { pSpecialAny.reset(); }
void Release_pPHI_Image() { pPHI_Image.reset(); }

}  // namespace app::FileTypes
