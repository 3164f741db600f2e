#pragma once
// Menus and menu items. A menu bar is the root item; menus are its children.
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenuBar;
class QWidget;

namespace fw {

class MenuItem {
 public:
  MenuItem();
  virtual ~MenuItem();
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& v);
  const std::string& KeyboardShortcut() const { return shortcut_; }
  void SetKeyboardShortcut(const std::string& v);
  bool AutoEnable() const { return autoEnable_; }
  void SetAutoEnable(bool v) { autoEnable_ = v; }

  // Adds the item as the last child; the parent owns it.
  void Append(std::unique_ptr<MenuItem> child);
  // The child of that Name, or nullptr.
  MenuItem* Child(const std::string& name) const;
  int Count() const { return static_cast<int>(children_.size()); }
  MenuItem* Item(int index) const { return children_[index].get(); }

  virtual bool IsQuitItem() const { return false; }
  bool IsSeparator() const { return text_ == "-"; }

  // The toolkit action of this item (made on first use).
  QAction* Action();
  bool Enabled() const;

 private:
  std::string name_, text_, shortcut_;
  bool autoEnable_ = false;
  std::vector<std::unique_ptr<MenuItem>> children_;
  QAction* action_ = nullptr;
};

// Chosen, it quits the application; no handler is needed.
class QuitMenuItem : public MenuItem {
 public:
  bool IsQuitItem() const override { return true; }
};

class MenuBar : public MenuItem {
 public:
  // Fills a window's toolkit menu bar with these menus.
  void Populate(QMenuBar* bar);
};

// Routes a menu choice: the handler bound on the frontmost window, else the
// one bound on the application; a quit item quits. Returns false when the
// item has no handler (it is then disabled).
bool ChooseMenuItem(MenuItem* item);
// The keyboard focus moved to this widget (nullptr: out of the program).
void FocusMoved(QWidget* now);
// Recomputes every item's enabled state (front window changed, bindings...).
void UpdateMenuEnabling();
// The "Cmd+X" shortcut text as the toolkit's key text ("Ctrl+X").
std::string ShortcutKeyText(const std::string& shortcut);

}  // namespace fw
