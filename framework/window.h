#pragma once
// Windows. A program window derives from Window and handles its events by
// overriding them; the framework holds every open window and gives the open
// window of a class, or a new one, by the class's name.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/application.h"
#include "framework/control_layout.h"
#include "framework/controls.h"
#include "framework/drag_item.h"
#include "framework/exceptions.h"

class QWidget;
class QMainWindow;

namespace fw {

class MenuBar;
class WindowHost;

class Window {
 public:
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Window events, raised by the framework in this order when the window is
  // made: Layout, CreateControls, AddMenuHandlers, then Open once shown.
  virtual void Layout() {}
  virtual void CreateControls() {}
  virtual void AddMenuHandlers(Window*) {}
  virtual void Event_Open() {}
  virtual void Event_Close() {}
  virtual void Event_DropObject(DragItem&, int32_t /*action*/) {}

  const std::string& ClassName() const { return className_; }
  // Unique for the life of the process: a queued action finds its window by
  // it, never by an address that a later window may take.
  uint64_t Serial() const { return serial_; }
  void SetMenuBar(MenuBar* bar);
  MenuBar* GetMenuBar() const { return menuBar_; }
  // Applies the window's serialized property list.
  void SetProperties(std::string_view list);

  // Makes a control, registers it under its name; the window owns it.
  template <class C>
  C* NewControl(const std::string& name) {
    auto control = std::make_unique<C>();
    C* raw = control.get();
    AddControl(name, std::move(control));
    return raw;
  }
  void AddControl(const std::string& name, std::unique_ptr<Control> control);
  // The control of that name, or nullptr.
  Control* ControlByName(std::string_view name) const;
  template <class C>
  C* ControlAs(std::string_view name) const {
    return dynamic_cast<C*>(ControlByName(name));
  }
  // The control of that name and class; using one that is not there raises
  // NilObjectException.
  template <class C>
  C* ControlNamed(std::string_view name) const {
    if (C* control = ControlAs<C>(name)) return control;
    throw NilObjectException("no control named " + std::string(name));
  }
  // Applies a control's serialized property list.
  void SetControlProperties(Control* control, std::string_view list);

  void AddMenuHandler(const std::string& itemName, Delegate handler);
  const Delegate* MenuHandler(const std::string& itemName) const;

  void AcceptFileDrop(const std::string& fileType);
  bool AcceptsDrops() const { return acceptsDrops_; }

  void Show();
  // Draws the window's pending changes now.
  void Refresh(bool eraseBackground = true);
  // Closes the window as its close box does.
  void Close();
  bool IsOpen() const { return open_; }

  // Content area (below any menu bar) and title, as shown.
  int Width() const;
  int Height() const;
  std::string Title() const;
  QMainWindow* Host() const;
  QWidget* Content() const;

  // Queues a drop of these items, as the toolkit's drop event does.
  void QueueDrop(std::vector<FolderItemRef> items);
  // Lays the controls out for the current content size (the locks).
  void ArrangeControls();
  // Raises the minimum content size to what the controls need.
  void FitMinimumToControls();

 private:
  friend void InitWindow(Window* window, const std::string& className);
  friend class WindowHost;
  friend void CloseAllWindows();
  void Closed();
  std::vector<PlacedControl> PlacedControls() const;

  std::string className_;
  uint64_t serial_;
  MenuBar* menuBar_ = nullptr;
  std::unique_ptr<WindowHost> host_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::map<std::string, Delegate> handlers_;
  int designWidth_ = 0, designHeight_ = 0;
  bool visibleProperty_ = true;
  bool acceptsDrops_ = false;
  bool open_ = true;
};

// Raises the construction events of a new window and shows it when its
// properties say it is visible, then raises Open.
void InitWindow(Window* window, const std::string& className);

// The open window of that class, or nullptr.
Window* GetImplicitWindow(const std::string& className);

// The open window of that class, or a new one made by make().
template <class W>
W* ImplicitWindow(const std::string& className) {
  if (Window* w = GetImplicitWindow(className)) return static_cast<W*>(w);
  W* w = new W();
  InitWindow(w, className);
  return w;
}

// The open window with that serial, or nullptr.
Window* OpenWindowBySerial(uint64_t serial);

// Every open window, frontmost first.
std::vector<Window*> OpenWindows();
Window* FrontWindow();
// Closes and destroys every window (shut-down and tests).
void CloseAllWindows();

}  // namespace fw
