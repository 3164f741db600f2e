#include "addimages/add_images_window.h"

#include "addimages/add_images_layout.h"
#include "addimages/drop_summary.h"
#include "framework/exceptions.h"
#include "framework/yield.h"

namespace addimages {

fw::StaticText* AddImages::ST() const { return ControlNamed<fw::StaticText>("ST"); }

void AddImages::Layout() { SetProperties(kAddImagesWindowProperties); }

void AddImages::CreateControls() { CreateControls0(); }

void AddImages::CreateControls0() {
  NewControl<fw::StaticText>("ST");
  SetControlProperties(ControlByName("ST"), kSTProperties);
}

void AddImages::AddMenuHandlers(fw::Window*) {}

void AddImages::Event_Open() { AcceptFileDrop("special/any"); }

void AddImages::Event_DropObject(fw::DragItem& obj, int32_t) {
  ff.clear();
  fname.clear();
  std::vector<std::string> names;
  std::vector<fw::FolderItemRef> files;
  for (;;) {
    if (obj.FolderItemAvailable()) {
      files.push_back(obj.FolderItem());
      names.push_back(files.back()->DisplayName());
    }
    fw::RuntimeBackgroundTask();
    if (!obj.NextItem()) break;
  }
  // The kept .map files, sorted when there are two or more; names and files
  // stay in pairs.
  const DropResult result = SummarizeDrop(names);
  for (size_t i : result.kept) {
    fname.push_back(names[i]);
    ff.push_back(files[i]);
  }
  if (result.changesText) ST()->SetText(result.text);  // fewer than two: the text stays
}

}  // namespace addimages
