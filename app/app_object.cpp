#include "app/app_object.h"

#include "app/implicit.h"
#include "framework/exceptions.h"
#include "framework/strings.h"
#include "mapconv/main_window.h"
#include "addimages/add_images_window.h"

namespace app {

void App::Event_OpenDocument(const fw::FolderItemRef& item) {
  const std::string name = fw::Deref(item).DisplayName();
  // Only the two image suffixes are taken; anything else is ignored silently.
  if (!fw::StrEqual(fw::Right(name, 4), ".sem") && !fw::StrEqual(fw::Right(name, 4), ".map")) return;
  implicit::Main()->OpenFile(item);
}

bool App::ToolsAddImages_Action() {
  implicit::AddImages()->Show();
  return false;
}

}  // namespace app
