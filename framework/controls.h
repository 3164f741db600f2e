#pragma once
// The controls a window holds: push button, list box, static text, check box.
// Each takes its initial values from a serialized property list.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/property_list.h"

class QWidget;

namespace fw {

class Window;
struct Delegate;

class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  QWidget* Widget() const { return widget_; }

  // Whether the control's class declares a property of that name.
  virtual bool Declares(std::string_view property) const = 0;
  // Applies one entry of a property list.
  virtual void SetProperty(const PropertyEntry& entry);

  // The designed place and its locks to the window's edges.
  int Left() const { return left_; }
  int Top() const { return top_; }
  int DesignWidth() const { return width_; }
  int DesignHeight() const { return height_; }
  bool LockLeft() const { return lockLeft_; }
  bool LockTop() const { return lockTop_; }
  bool LockRight() const { return lockRight_; }
  bool LockBottom() const { return lockBottom_; }
  int TabIndex() const { return tabIndex_; }

  // Binds an event of the control ("Action") to a handler "(  )".
  virtual void InstallEventHandler(const std::string& event, Delegate handler);

 protected:
  explicit Control(QWidget* widget);
  QWidget* widget_;
  Window* window_ = nullptr;

 private:
  friend class Window;
  std::string name_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool lockLeft_ = false, lockTop_ = false, lockRight_ = false, lockBottom_ = false;
  int tabIndex_ = 0;
};

class PushButton : public Control {
 public:
  PushButton();
  bool Declares(std::string_view property) const override;
  void SetProperty(const PropertyEntry& entry) override;
  void InstallEventHandler(const std::string& event, Delegate handler) override;
  std::string Caption() const;

 private:
  std::function<void()> action_;
};

class Listbox : public Control {
 public:
  Listbox();
  bool Declares(std::string_view property) const override;
  void SetProperty(const PropertyEntry& entry) override;
  void DeleteAllRows();
  void AddRow(const std::string& text);
  int ListCount() const;
  std::string List(int row) const;
};

class StaticText : public Control {
 public:
  StaticText();
  bool Declares(std::string_view property) const override;
  void SetProperty(const PropertyEntry& entry) override;
  std::string Text() const;
  void SetText(const std::string& text);
};

class CheckBox : public Control {
 public:
  CheckBox();
  bool Declares(std::string_view property) const override;
  void SetProperty(const PropertyEntry& entry) override;
  bool Value() const;
  void SetValue(bool value);
  std::string Caption() const;
};

}  // namespace fw
