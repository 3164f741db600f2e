#include "addimages/add_images_window.h"

#include "addimages/add_images_layout.h"
#include "addimages/drop_summary.h"
#include "framework/exceptions.h"
#include "framework/yield.h"

namespace addimages {

fw::StaticText* AddImages::ST() const {
  fw::StaticText* st = ControlAs<fw::StaticText>("ST");
  if (!st) throw fw::NilObjectException("no control named ST");
  return st;
}

void AddImages::Layout() { SetProperties(kAddImagesWindowProperties); }

void AddImages::CreateControls() { CreateControls0(); }

void AddImages::CreateControls0() {
  NewControl<fw::StaticText>("ST");
  SetControlProperties(ControlByName("ST"), kSTProperties);
}

void AddImages::AddMenuHandlers(fw::Window*) {}  // this window handles no menu command

void AddImages::Event_Open() { AcceptFileDrop("special/any"); }

void AddImages::Event_DropObject(fw::DragItem& obj, int32_t) {
  ff.clear();
  fname.clear();
  // Names and files are added in pairs, with no yield between them.
  for (;;) {
    if (obj.FolderItemAvailable()) {
      fw::FolderItemRef file = obj.FolderItem();
      std::string name = file->DisplayName();
      if (IsMapName(name)) {
        fname.push_back(name);
        ff.push_back(file);
      }
    }
    fw::RuntimeBackgroundTask();
    if (!obj.NextItem()) break;
  }
  if (ff.size() < 2) return;  // the text stays as it was

  const std::vector<size_t> order = SortedOrder(fname);
  std::vector<std::string> sortedNames;
  std::vector<fw::FolderItemRef> sortedFiles;
  for (size_t i : order) {
    sortedNames.push_back(fname[i]);
    sortedFiles.push_back(ff[i]);
  }
  fname = std::move(sortedNames);
  ff = std::move(sortedFiles);

  const int prefix = CommonPrefixLength(fname);
  ST()->SetText(SummaryText(fname, prefix));
}

}  // namespace addimages
