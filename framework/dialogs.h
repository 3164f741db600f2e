#pragma once
// Modal messages, the open-file dialog and the report of an unhandled
// exception. Each goes through a presenter that tests replace.
#include <exception>
#include <functional>
#include <string>

#include "framework/folder_item.h"

namespace fw {

void MsgBox(const std::string& text);
// The open-file dialog for files of the named type; nil when cancelled.
FolderItemRef GetOpenFolderItem(const std::string& fileType);

using MsgBoxPresenter = std::function<void(const std::string&)>;
using OpenDialogPresenter = std::function<FolderItemRef(const std::string&)>;
using ExceptionPresenter = std::function<void(const std::string&)>;

// nullptr restores the default (a modal box or the platform's dialog).
void SetMsgBoxPresenter(MsgBoxPresenter presenter);
void SetOpenDialogPresenter(OpenDialogPresenter presenter);
void SetExceptionPresenter(ExceptionPresenter presenter);

// Shows the exception's text through the exception presenter.
void ReportUnhandledException(const std::exception_ptr& error);
// The text shown for an exception.
std::string DescribeException(const std::exception_ptr& error);

}  // namespace fw
