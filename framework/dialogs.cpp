#include "framework/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "framework/exceptions.h"

namespace fw {

namespace {
MsgBoxPresenter g_msgBox;
OpenDialogPresenter g_openDialog;
ExceptionPresenter g_exception;

void ShowModal(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok);
  box.exec();
}
}  // namespace

void MsgBox(const std::string& text) {
  if (g_msgBox) {
    g_msgBox(text);
    return;
  }
  ShowModal(QString::fromStdString(text));
}

FolderItemRef GetOpenFolderItem(const std::string& fileType) {
  if (g_openDialog) return g_openDialog(fileType);
  // "special/any" admits every file.
  QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(), QString());
  if (path.isEmpty()) return nullptr;
  return FolderItem::FromPath(path.toStdString());
}

void SetMsgBoxPresenter(MsgBoxPresenter presenter) { g_msgBox = std::move(presenter); }
void SetOpenDialogPresenter(OpenDialogPresenter presenter) { g_openDialog = std::move(presenter); }
void SetExceptionPresenter(ExceptionPresenter presenter) { g_exception = std::move(presenter); }

std::string DescribeException(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "An unknown exception occurred.";
  }
}

void ReportUnhandledException(const std::exception_ptr& error) {
  std::string text = DescribeException(error);
  if (g_exception) {
    g_exception(text);
    return;
  }
  ShowModal(QString::fromStdString("An exception was not handled:\n" + text));
}

}  // namespace fw
