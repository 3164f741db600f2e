#include "app/app_object.h"

#include "app/implicit.h"
#include "framework/exceptions.h"
#include "mapconv/main_window.h"
#include "mapconv/output_name.h"
#include "addimages/add_images_window.h"

namespace app {

void App::Event_OpenDocument(const fw::FolderItemRef& item) {
  if (!mapconv::HasImageSuffix(fw::Deref(item).DisplayName())) return;
  implicit::Main()->OpenFile(item);
}

bool App::ToolsAddImages_Action() {
  implicit::AddImages()->Show();
  return false;
}

}  // namespace app
