#include "framework/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>

#include "framework/exceptions.h"

namespace fw {

namespace {
MsgBoxPresenter g_msgBox;
OpenDialogPresenter g_openDialog;
ExceptionPresenter g_exception;

// A message box sizes itself to its text; a short text made it so narrow that
// the window manager cut its title ("Or...lla"). The title bar also holds the
// window's icon and buttons, in a font that is often larger or bold.
void WidenForTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  const QFontMetrics metrics = box.fontMetrics();
  const int width = metrics.horizontalAdvance(box.windowTitle()) * 5 / 4 + 8 * metrics.height();
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                grid->columnCount());
}

void ShowModal(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok);
  WidenForTitle(box);
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
