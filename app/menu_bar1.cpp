#include "app/menu_bar1.h"

#include <memory>

#include "framework/exceptions.h"

namespace app {

namespace {
struct Row {
  const char* name;
  const char* text;
  const char* shortcut;  // nullptr: the shortcut is not set
  bool quitItem;
};

void AppendMenu(fw::MenuBar& bar, const Row& menu) {
  auto item = std::make_unique<fw::MenuItem>();
  item->SetName(menu.name);
  item->SetAutoEnable(true);
  item->SetText(menu.text);
  item->SetKeyboardShortcut("");
  bar.Append(std::move(item));
}

void AppendItem(fw::MenuBar& bar, const char* menuName, const Row& row) {
  std::unique_ptr<fw::MenuItem> item =
      row.quitItem ? std::make_unique<fw::QuitMenuItem>() : std::make_unique<fw::MenuItem>();
  item->SetName(row.name);
  item->SetAutoEnable(true);
  item->SetText(row.text);
  if (row.shortcut) item->SetKeyboardShortcut(row.shortcut);
  fw::MenuItem* menu = bar.Child(menuName);
  if (!menu) throw fw::NilObjectException(std::string("no menu named ") + menuName);
  menu->Append(std::move(item));
}
}  // namespace

void MenuBar1::Constructor() {
  Untitled1();
  Untitled2();
  Untitled3();
}

void MenuBar1::Untitled1() {
  AppendMenu(*this, {"FileMenu", "&File", "", false});
  AppendItem(*this, "FileMenu", {"FileClose", "Close", "Cmd+w", false});
  AppendItem(*this, "FileMenu", {"FileQuit", "Quit", "Cmd+Q", true});
}

void MenuBar1::Untitled2() {
  AppendMenu(*this, {"EditMenu", "&Edit", "", false});
  AppendItem(*this, "EditMenu", {"EditUndo", "&Undo", "Cmd+Z", false});
  AppendItem(*this, "EditMenu", {"UntitledMenu0", "-", nullptr, false});
  AppendItem(*this, "EditMenu", {"EditCut", "Cu&t", "Cmd+X", false});
  AppendItem(*this, "EditMenu", {"EditCopy", "&Copy", "Cmd+C", false});
  AppendItem(*this, "EditMenu", {"EditPaste", "&Paste", "Cmd+V", false});
  AppendItem(*this, "EditMenu", {"EditClear", "Clear", "", false});
}

void MenuBar1::Untitled3() {
  AppendMenu(*this, {"ToolsMenu", "Tools", "", false});
  AppendItem(*this, "ToolsMenu", {"ToolsAddImages", "Add Images...", "Cmd+A", false});
}

}  // namespace app
