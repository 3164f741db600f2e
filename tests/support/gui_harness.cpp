#include "tests/support/gui_harness.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "app/implicit.h"
#include "app/menu_bar1.h"
#include "app/plugin_entries.h"
#include "app/startup.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/dispatch.h"
#include "framework/menu.h"
#include "framework/read_only_file.h"
#include "framework/recorder.h"
#include "framework/yield.h"
#include "mapconv/main_window.h"

namespace testsupport {

namespace {

fw::MenuItem* MenuItem(const std::string& itemName) {
  fw::MenuBar* bar = app::implicit::MenuBar1();
  for (int i = 0; i < bar->Count(); ++i)
    if (fw::MenuItem* item = bar->Item(i)->Child(itemName)) return item;
  return nullptr;
}

}  // namespace

ProgramHarness::ProgramHarness() {
  fw::ResetRuntimeForTest();
  fw::SetYieldHook(nullptr);
  fw::ClearRecord();
  fw::SetMsgBoxPresenter([this](const std::string& text) { messages.push_back(text); });
  fw::SetExceptionPresenter([this](const std::string& text) { reports.push_back(text); });
  fw::SetOpenDialogPresenter([](const std::string&) -> fw::FolderItemRef { return nullptr; });
  app::LoadPlugins();
  app::InitPluginEntrypoints();
  app::InitFileTypes();
  app::NewAppInstance();
  app::ApplicationAddMenuHandlers();
  app::MakeDefaultView();
  Settle();
}

ProgramHarness::~ProgramHarness() {
  fw::SetYieldHook(nullptr);
  fw::FailReadsFromForTest(-1);
  mapconv::SetNewPictureForTest(nullptr);
  Settle();
  app::ReleaseModuleObjects();
  fw::ResetRuntimeForTest();
  fw::SetMsgBoxPresenter(nullptr);
  fw::SetExceptionPresenter(nullptr);
  fw::SetOpenDialogPresenter(nullptr);
  fw::ClearRecord();
}

mapconv::Main* ProgramHarness::main() const {
  return static_cast<mapconv::Main*>(fw::GetImplicitWindow("Main.Main"));
}

std::vector<std::string> ProgramHarness::Rows(const std::string& listName) const {
  std::vector<std::string> rows;
  fw::Listbox* list = main()->ControlAs<fw::Listbox>(listName);
  for (int i = 0; i < list->ListCount(); ++i) rows.push_back(list->List(i));
  return rows;
}

std::string ProgramHarness::Status() const { return main()->STfilename()->Text(); }

void ProgramHarness::Drop(fw::Window* window, const std::vector<std::string>& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const auto& p : paths)
    urls << (p.rfind("http", 0) == 0 ? QUrl(QString::fromStdString(p)) : QUrl::fromLocalFile(QString::fromStdString(p)));
  data.setUrls(urls);
  QWidget* target = window->Content();
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (enter.isAccepted()) {
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
  }
}

void ProgramHarness::Settle() {
  for (int round = 0; round < 1000; ++round) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    fw::RunQueuedActions();
    if (!fw::ActionsPending() && !fw::ActionRunning()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (!fw::ActionsPending()) return;
    }
  }
}

bool ProgramHarness::MenuEnabled(const std::string& itemName) {
  fw::UpdateMenuEnabling();
  return MenuItem(itemName)->Action()->isEnabled();
}

void ProgramHarness::ChooseMenu(const std::string& itemName) {
  fw::UpdateMenuEnabling();
  MenuItem(itemName)->Action()->trigger();
  Settle();
}

void ProgramHarness::ClickOpen(const std::string& path) {
  fw::SetOpenDialogPresenter([path](const std::string&) -> fw::FolderItemRef {
    return path.empty() ? nullptr : fw::FolderItem::FromPath(path);
  });
  QTest::mouseClick(main()->PushButton1()->Widget(), Qt::LeftButton);
  Settle();
}

}  // namespace testsupport
