#include "framework/menu.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

#include "framework/application.h"
#include "framework/dispatch.h"
#include "framework/window.h"

namespace fw {

namespace {
// Never destroyed: the toolkit may still ask for the enabling while the
// process's static objects go away.
std::vector<MenuItem*>& AllItems() {
  static auto* items = new std::vector<MenuItem*>;
  return *items;
}

// The control the user is in: the last one that took the keyboard focus,
// menus aside. A menu opened from the keyboard takes the focus to the menu bar
// (where it may stay after the choice), yet Copy still means the list the
// user was in.
QPointer<QWidget>& FocusTarget() {
  static auto* target = new QPointer<QWidget>;
  return *target;
}

// The list box the user is in, in the front window, when it has selected rows.
QListWidget* FocusedListWithSelection() {
  auto* list = qobject_cast<QListWidget*>(FocusTarget().data());
  Window* front = FrontWindow();
  if (!list || !front || list->window() != front->Host() || !list->isVisible()) return nullptr;
  return list->selectedItems().isEmpty() ? nullptr : list;
}

const Delegate* HandlerFor(const std::string& name) {
  if (Window* front = FrontWindow())
    if (const Delegate* d = front->MenuHandler(name)) return d;
  if (Application* app = GetAppObject())
    if (const Delegate* d = app->MenuHandler(name)) return d;
  return nullptr;
}

void CopySelectedRows(QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) rows << list->item(i)->text();
  QApplication::clipboard()->setText(rows.join('\n'));
}
}  // namespace

MenuItem::MenuItem() { AllItems().push_back(this); }

MenuItem::~MenuItem() {
  auto& items = AllItems();
  items.erase(std::remove(items.begin(), items.end(), this), items.end());
  children_.clear();
  delete action_;
}

void MenuItem::SetText(const std::string& v) {
  text_ = v;
  if (action_) action_->setText(QString::fromStdString(v));
}

void MenuItem::SetKeyboardShortcut(const std::string& v) {
  shortcut_ = v;
  if (action_) action_->setShortcut(QKeySequence(QString::fromStdString(ShortcutKeyText(v))));
}

void MenuItem::Append(std::unique_ptr<MenuItem> child) { children_.push_back(std::move(child)); }

MenuItem* MenuItem::Child(const std::string& name) const {
  for (const auto& c : children_)
    if (c->Name() == name) return c.get();
  return nullptr;
}

QAction* MenuItem::Action() {
  if (action_) return action_;
  action_ = new QAction(QString::fromStdString(text_));
  action_->setSeparator(IsSeparator());
  action_->setShortcut(QKeySequence(QString::fromStdString(ShortcutKeyText(shortcut_))));
  // The shortcuts work in every window of the program.
  action_->setShortcutContext(Qt::ApplicationShortcut);
  if (IsQuitItem()) action_->setMenuRole(QAction::QuitRole);
  QObject::connect(action_, &QAction::triggered, [this] { ChooseMenuItem(this); });
  action_->setEnabled(Enabled());
  return action_;
}

bool MenuItem::Enabled() const {
  if (!children_.empty() || IsSeparator()) return true;
  if (IsQuitItem()) return true;
  if (HandlerFor(name_)) return true;
  if (name_ == "EditCopy") return FocusedListWithSelection() != nullptr;
  return false;
}

void MenuBar::Populate(QMenuBar* bar) {
  bar->clear();
  for (int i = 0; i < Count(); ++i) {
    MenuItem* menuItem = Item(i);
    QMenu* menu = bar->addMenu(QString::fromStdString(menuItem->Text()));
    QObject::connect(menu, &QMenu::aboutToShow, [] { UpdateMenuEnabling(); });
    // Once the menus are closed, the keyboard goes back to the control the user
    // was in (a menu opened from the keyboard leaves it on the menu bar).
    QObject::connect(menu, &QMenu::aboutToHide, bar, [bar] {
      QTimer::singleShot(0, bar, [bar] {
        QWidget* target = FocusTarget();
        if (!QApplication::activePopupWidget() && QApplication::focusWidget() == bar && target &&
            target->window() == bar->window() && target->isVisible())
          target->setFocus(Qt::OtherFocusReason);
      });
    });
    for (int j = 0; j < menuItem->Count(); ++j) menu->addAction(menuItem->Item(j)->Action());
  }
}

bool ChooseMenuItem(MenuItem* item) {
  if (!item) return false;
  if (item->IsQuitItem()) {
    Quit(0);
    return true;
  }
  if (const Delegate* d = HandlerFor(item->Name())) {
    auto call = d->call;  // the binding may go with its window while it runs
    Dispatch([call] { call(); });
    return true;
  }
  if (item->Name() == "EditCopy") {
    if (QListWidget* list = FocusedListWithSelection()) {
      CopySelectedRows(list);
      return true;
    }
  }
  return false;
}

void FocusMoved(QWidget* now) {
  if (now && !qobject_cast<QMenuBar*>(now) && !qobject_cast<QMenu*>(now)) FocusTarget() = now;
  UpdateMenuEnabling();
}

void UpdateMenuEnabling() {
  for (MenuItem* item : AllItems())
    if (QAction* a = item->Action()) a->setEnabled(item->Enabled());
}

std::string ShortcutKeyText(const std::string& shortcut) {
  if (shortcut.empty()) return "";
  std::string key = shortcut;
  const std::string cmd = "Cmd+";
  std::string modifiers;
  if (key.compare(0, cmd.size(), cmd) == 0) {
    modifiers = "Ctrl+";
    key = key.substr(cmd.size());
  }
  // A lower-case letter is the same key.
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return modifiers + key;
}

}  // namespace fw
