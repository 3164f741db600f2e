#pragma once
// The application object: documents handed over by the desktop, and the
// Tools command.
#include "framework/application.h"

namespace app {

class App : public fw::Application {
 public:
  void Event_OpenDocument(const fw::FolderItemRef& item) override;
  bool ToolsAddImages_Action();
};

}  // namespace app
