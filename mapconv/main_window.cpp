#include "mapconv/main_window.h"

#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/exceptions.h"
#include "framework/yield.h"
#include "mapconv/clean_string.h"
#include "mapconv/converter_texts.h"
#include "mapconv/file_name_increment.h"
#include "mapconv/image_stats.h"
#include "mapconv/main_layout.h"
#include "mapconv/tiff_writer.h"

namespace mapconv {

fw::PushButton* Main::PushButton1() const { return ControlNamed<fw::PushButton>("PushButton1"); }
fw::Listbox* Main::LBraw() const { return ControlNamed<fw::Listbox>("LBraw"); }
fw::Listbox* Main::LBresults() const { return ControlNamed<fw::Listbox>("LBresults"); }
fw::StaticText* Main::STfilename() const { return ControlNamed<fw::StaticText>("STfilename"); }
fw::CheckBox* Main::CB_autosave() const { return ControlNamed<fw::CheckBox>("CB_autosave"); }

fw::MenuItem* Main::MenuItemNamed(const std::string& name) const {
  fw::MenuBar* bar = GetMenuBar();
  if (!bar) return nullptr;
  for (int i = 0; i < bar->Count(); ++i) {
    fw::MenuItem* menu = bar->Item(i);
    if (menu->Name() == name) return menu;
    if (fw::MenuItem* item = menu->Child(name)) return item;
  }
  return nullptr;
}

void Main::Layout() {
  // The application's menu bar, set on the application object at start-up;
  // before the window's properties.
  if (fw::Application* app = fw::GetAppObject()) SetMenuBar(app->GetMenuBar());
  SetProperties(kMainWindowProperties);
}

void Main::CreateControls() { CreateControls0(); }

void Main::CreateControls0() {
  NewControl<fw::PushButton>("PushButton1");
  SetControlProperties(ControlByName("PushButton1"), kPushButton1Properties);
  PushButton1()->InstallEventHandler("Action", fw::Delegate{[this] {
                                                              PushButton1_Action();
                                                              return false;
                                                            },
                                                            "(  )"});
  NewControl<fw::Listbox>("LBraw");
  SetControlProperties(ControlByName("LBraw"), kLBrawProperties);
  NewControl<fw::Listbox>("LBresults");
  SetControlProperties(ControlByName("LBresults"), kLBresultsProperties);
  NewControl<fw::StaticText>("STfilename");
  SetControlProperties(ControlByName("STfilename"), kSTfilenameProperties);
  NewControl<fw::CheckBox>("CB_autosave");
  SetControlProperties(ControlByName("CB_autosave"), kCB_autosaveProperties);
}

void Main::PushButton1_Action() { OpenFile(fw::GetOpenFolderItem("special/any")); }

void Main::AddMenuHandlers(fw::Window* w) {
  auto* main = dynamic_cast<Main*>(w);
  if (!main) throw fw::NilObjectException("the window is not the main window");
  AddMenuHandler("FileClose", fw::Delegate{[main] { return main->FileClose_Action(); }, "(  ) as Boolean"});
}

void Main::Event_Open() { AcceptFileDrop("special/any"); }

void Main::Event_Close() { fw::Quit(0); }

bool Main::FileClose_Action() {
  fw::Quit(0);
  return false;
}

void Main::Event_DropObject(fw::DragItem& obj, int32_t) {
  // Each dropped file in drag order; items without a file are passed over.
  for (;;) {
    if (obj.FolderItemAvailable()) OpenFile(obj.FolderItem());
    fw::RuntimeBackgroundTask();
    if (!obj.NextItem()) return;
  }
}

void Main::SaveAsTIFF(const fw::PictureRef& p, const fw::FolderItemRef& f, double xres, double yres,
                      const std::string& soft) {
  mapconv::SaveAsTIFF(p, f, xres, yres, soft);
}

void Main::FileNameIncrement(fw::FolderItemRef& f) {
  f = mapconv::FileNameIncrement(f, [] { fw::MsgBox(kIncrementMessage); });
}

std::string Main::CleanString(const std::string& s) { return mapconv::CleanString(s); }

std::string Main::ByteHex(int32_t n) { return mapconv::ByteHex(n); }

}  // namespace mapconv
