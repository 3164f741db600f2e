#pragma once
// The "Add Images" window: dropped .map files, sorted, with their common name
// prefix and a proposed base name. It opens, reads and writes no file.
#include <string>
#include <vector>

#include "framework/folder_item.h"
#include "framework/window.h"

namespace addimages {

class AddImages : public fw::Window {
 public:
  // The files kept by the last drop, and their display names, in pairs.
  std::vector<fw::FolderItemRef> ff;
  std::vector<std::string> fname;

  void Layout() override;
  void CreateControls() override;
  void CreateControls0();
  void AddMenuHandlers(fw::Window* w) override;
  void Event_Open() override;
  void Event_DropObject(fw::DragItem& obj, int32_t action) override;

  // The one control, looked up by name on every use.
  fw::StaticText* ST() const;
};

}  // namespace addimages
