#include "framework/controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <array>

#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/exceptions.h"
#include "framework/menu.h"
#include "framework/window.h"

namespace fw {

namespace {
int32_t IntOf(const PropertyEntry& e) {
  if (auto* v = std::get_if<int32_t>(&e.value)) return *v;
  throw RuntimeException("property " + e.name + " is not an Integer");
}
bool BoolOf(const PropertyEntry& e) {
  if (auto* v = std::get_if<bool>(&e.value)) return *v;
  throw RuntimeException("property " + e.name + " is not a Boolean");
}
std::string StrOf(const PropertyEntry& e) {
  if (auto* v = std::get_if<std::string>(&e.value)) return *v;
  throw RuntimeException("property " + e.name + " is not a String");
}
QString Q(const std::string& s) { return QString::fromStdString(s); }

bool In(std::string_view name, std::initializer_list<std::string_view> names) {
  for (auto n : names)
    if (n == name) return true;
  return false;
}

// Properties every control class of the program declares.
bool CommonDeclares(std::string_view p) {
  return In(p, {"Name", "Index", "Left", "Top", "Width", "Height", "LockLeft", "LockTop", "LockRight", "LockBottom",
                "TabPanelIndex", "TabIndex", "Enabled", "Visible", "HelpTag", "AutoDeactivate", "TextFont",
                "TextSize", "Bold", "Italic", "Underline", "InitialParent"});
}

void SetFontFlag(QWidget* w, const std::string& name, bool on) {
  QFont f = w->font();
  if (name == "Bold") f.setBold(on);
  if (name == "Italic") f.setItalic(on);
  if (name == "Underline") f.setUnderline(on);
  w->setFont(f);
}
}  // namespace

Control::Control(QWidget* widget) : widget_(widget) {}
Control::~Control() { delete widget_; }

void Control::SetProperty(const PropertyEntry& e) {
  const std::string& n = e.name;
  if (n == "Name") {
    name_ = StrOf(e);
    widget_->setObjectName(Q(name_));
  } else if (n == "Left") {
    left_ = IntOf(e);
  } else if (n == "Top") {
    top_ = IntOf(e);
  } else if (n == "Width") {
    width_ = IntOf(e);
  } else if (n == "Height") {
    height_ = IntOf(e);
  } else if (n == "LockLeft") {
    lockLeft_ = BoolOf(e);
  } else if (n == "LockTop") {
    lockTop_ = BoolOf(e);
  } else if (n == "LockRight") {
    lockRight_ = BoolOf(e);
  } else if (n == "LockBottom") {
    lockBottom_ = BoolOf(e);
  } else if (n == "TabIndex") {
    tabIndex_ = IntOf(e);
  } else if (n == "Enabled") {
    widget_->setEnabled(BoolOf(e));
  } else if (n == "Visible") {
    widget_->setVisible(BoolOf(e));
  } else if (n == "HelpTag") {
    widget_->setToolTip(Q(StrOf(e)));
  } else if (n == "Bold" || n == "Italic" || n == "Underline") {
    SetFontFlag(widget_, n, BoolOf(e));
  }
  // The remaining stored values (Index, TabPanelIndex, AutoDeactivate, the
  // font "System" and its size, DataSource...) keep the desktop's defaults.
}

void Control::InstallEventHandler(const std::string& event, Delegate) {
  throw RuntimeException("the control " + name_ + " has no event \"" + event + "\"");
}

// --- PushButton -----------------------------------------------------------

PushButton::PushButton() : Control(new QPushButton) {
  QObject::connect(static_cast<QPushButton*>(widget_), &QPushButton::clicked, [this] {
    // A click is queued: it never runs inside another handler's yield.
    if (!action_ || !window_) return;
    auto action = action_;
    PostAction([serial = window_->Serial(), action] {
      if (OpenWindowBySerial(serial)) action();  // not for a window closed meanwhile
    });
  });
}

bool PushButton::Declares(std::string_view p) const {
  return CommonDeclares(p) || In(p, {"Caption", "Default", "Cancel"});
}

void PushButton::SetProperty(const PropertyEntry& e) {
  auto* b = static_cast<QPushButton*>(widget_);
  if (e.name == "Caption") {
    b->setText(Q(StrOf(e)));
  } else if (e.name == "Default") {
    b->setDefault(BoolOf(e));
  } else if (e.name != "Cancel") {
    Control::SetProperty(e);
  }
}

void PushButton::InstallEventHandler(const std::string& event, Delegate handler) {
  if (event != "Action") Control::InstallEventHandler(event, std::move(handler));
  RequireSignature(handler, "(  )", "the Action event of " + Name());
  auto call = handler.call;
  action_ = [call] { call(); };
}

std::string PushButton::Caption() const { return static_cast<QPushButton*>(widget_)->text().toStdString(); }

// --- Listbox --------------------------------------------------------------

Listbox::Listbox() : Control(new QListWidget) {
  auto* list = static_cast<QListWidget*>(widget_);
  list->setUniformItemSizes(true);  // long lists stay fast
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // "Copy" is enabled while a focused list has selected rows.
  QObject::connect(list, &QListWidget::itemSelectionChanged, [] { UpdateMenuEnabling(); });
}

bool Listbox::Declares(std::string_view p) const {
  return CommonDeclares(p) ||
         In(p, {"ColumnCount", "ColumnWidths", "HasHeading", "UseFocusRing", "InitialValue", "HeadingIndex",
                "ScrollbarHorizontal", "ScrollBarVertical", "GridLinesHorizontal", "GridLinesVertical",
                "DefaultRowHeight", "_ScrollWidth", "_ScrollOffset", "Hierarchical", "EnableDrag",
                "EnableDragReorder", "RequiresSelection", "SelectionType", "ColumnsResizable", "AutoHideScrollbars",
                "DataSource", "DataField"});
}

void Listbox::SetProperty(const PropertyEntry& e) {
  auto* list = static_cast<QListWidget*>(widget_);
  const std::string& n = e.name;
  if (n == "InitialValue") {
    list->clear();
    std::string text = StrOf(e);
    if (text.empty()) return;
    // Rows are separated by a carriage return.
    size_t start = 0;
    for (;;) {
      size_t cr = text.find('\r', start);
      list->addItem(Q(text.substr(start, cr == std::string::npos ? std::string::npos : cr - start)));
      if (cr == std::string::npos) break;
      start = cr + 1;
    }
  } else if (n == "ScrollbarHorizontal") {
    list->setHorizontalScrollBarPolicy(BoolOf(e) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  } else if (n == "ScrollBarVertical") {
    list->setVerticalScrollBarPolicy(BoolOf(e) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  } else if (n == "SelectionType") {
    list->setSelectionMode(IntOf(e) == 1 ? QAbstractItemView::ExtendedSelection
                                         : QAbstractItemView::SingleSelection);
  } else {
    Control::SetProperty(e);
  }
}

void Listbox::DeleteAllRows() { static_cast<QListWidget*>(widget_)->clear(); }

void Listbox::AddRow(const std::string& text) { static_cast<QListWidget*>(widget_)->addItem(Q(text)); }

int Listbox::ListCount() const { return static_cast<QListWidget*>(widget_)->count(); }

std::string Listbox::List(int row) const {
  auto* item = static_cast<QListWidget*>(widget_)->item(row);
  return item ? item->text().toStdString() : std::string();
}

// --- StaticText -----------------------------------------------------------

StaticText::StaticText() : Control(new QLabel) {
  auto* label = static_cast<QLabel*>(widget_);
  label->setTextFormat(Qt::PlainText);  // file names are never markup
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

bool StaticText::Declares(std::string_view p) const {
  return CommonDeclares(p) || In(p, {"Text", "TextAlign", "TextColor", "Multiline", "DataSource", "DataField"});
}

void StaticText::SetProperty(const PropertyEntry& e) {
  auto* label = static_cast<QLabel*>(widget_);
  if (e.name == "Text") {
    label->setText(Q(StrOf(e)));
  } else if (e.name == "TextAlign") {
    static constexpr std::array<Qt::AlignmentFlag, 3> kAlign{Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    int32_t a = IntOf(e);
    label->setAlignment((a >= 0 && a <= 2 ? kAlign[a] : Qt::AlignLeft) | Qt::AlignTop);
  } else if (e.name == "Multiline") {
    label->setWordWrap(BoolOf(e));
  } else if (e.name != "TextColor") {
    Control::SetProperty(e);
  }
}

std::string StaticText::Text() const { return static_cast<QLabel*>(widget_)->text().toStdString(); }
void StaticText::SetText(const std::string& text) { static_cast<QLabel*>(widget_)->setText(Q(text)); }

// --- CheckBox -------------------------------------------------------------

CheckBox::CheckBox() : Control(new QCheckBox) {}

bool CheckBox::Declares(std::string_view p) const {
  return CommonDeclares(p) || In(p, {"Caption", "Value", "DataSource", "DataField"});
}

void CheckBox::SetProperty(const PropertyEntry& e) {
  auto* box = static_cast<QCheckBox*>(widget_);
  if (e.name == "Caption") {
    box->setText(Q(StrOf(e)));
  } else if (e.name == "Value") {
    box->setChecked(BoolOf(e));
  } else {
    Control::SetProperty(e);
  }
}

bool CheckBox::Value() const { return static_cast<QCheckBox*>(widget_)->isChecked(); }
void CheckBox::SetValue(bool value) { static_cast<QCheckBox*>(widget_)->setChecked(value); }
std::string CheckBox::Caption() const { return static_cast<QCheckBox*>(widget_)->text().toStdString(); }

}  // namespace fw
