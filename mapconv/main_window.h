#pragma once
// The main window: the "Open..." button, the header and result lists, the
// file-name line and the auto-save check box; home of the converter.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/folder_item.h"
#include "framework/menu.h"
#include "framework/picture.h"
#include "framework/window.h"

namespace mapconv {

class Main : public fw::Window {
 public:
  // What describes the current file; kept from one file to the next.
  int32_t hpixelsize = 0;
  int32_t vpixelsize = 0;
  int32_t nb_images = 0;
  int32_t headersize = 0;
  int32_t filesize = 0;
  std::vector<std::string> speciesname;
  double hmicronsize = 0.0;
  double vmicronsize = 0.0;

  void Layout() override;
  void CreateControls() override;
  void CreateControls0();
  void PushButton1_Action();
  void AddMenuHandlers(fw::Window* w) override;
  void Event_DropObject(fw::DragItem& obj, int32_t action) override;
  void Event_Open() override;
  void Event_Close() override;
  bool FileClose_Action();

  // Reads one .sem or .map file, lists it, converts and saves its images.
  void OpenFile(const fw::FolderItemRef& f);
  void SaveAsTIFF(const fw::PictureRef& p, const fw::FolderItemRef& f, double xres, double yres,
                  const std::string& soft);
  // Numbers an output file name until it is free (f is replaced).
  void FileNameIncrement(fw::FolderItemRef& f);
  std::string CleanString(const std::string& s);
  std::string ByteHex(int32_t n);

  // The items of the window's menu bar, by name.
  fw::MenuItem* ToolsMenu() { return MenuItemNamed("ToolsMenu"); }
  fw::MenuItem* ToolsAddImages() { return MenuItemNamed("ToolsAddImages"); }
  fw::MenuItem* EditMenu() { return MenuItemNamed("EditMenu"); }
  fw::MenuItem* EditClear() { return MenuItemNamed("EditClear"); }
  fw::MenuItem* EditPaste() { return MenuItemNamed("EditPaste"); }
  fw::MenuItem* EditCopy() { return MenuItemNamed("EditCopy"); }
  fw::MenuItem* EditCut() { return MenuItemNamed("EditCut"); }
  fw::MenuItem* UntitledMenu0() { return MenuItemNamed("UntitledMenu0"); }
  fw::MenuItem* EditUndo() { return MenuItemNamed("EditUndo"); }
  fw::MenuItem* FileMenu() { return MenuItemNamed("FileMenu"); }
  fw::MenuItem* FileQuit() { return MenuItemNamed("FileQuit"); }
  fw::MenuItem* FileClose() { return MenuItemNamed("FileClose"); }

  // The controls, looked up by name on every use.
  fw::PushButton* PushButton1() const;
  fw::Listbox* LBraw() const;
  fw::Listbox* LBresults() const;
  fw::StaticText* STfilename() const;
  fw::CheckBox* CB_autosave() const;

 private:
  fw::MenuItem* MenuItemNamed(const std::string& name) const;
  // One image of the open file: reads it, lists it, draws its picture, and
  // saves it while auto-save is on. False when the call must stop.
  bool ConvertImage(class ImageJob& job, int32_t k);
  bool SaveImage(class ImageJob& job, int32_t k, const fw::PictureRef& picture);
};

// Tests: what the converter makes its pictures with (nullptr: fw::NewPicture),
// so that a picture that cannot be had is tried without exhausting memory.
void SetNewPictureForTest(fw::PictureRef (*make)(int width, int height, int depth));

}  // namespace mapconv
