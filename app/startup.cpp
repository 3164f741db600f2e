#include "app/startup.h"

#include <memory>

#include "app/app_object.h"
#include "app/file_types.h"
#include "app/implicit.h"
#include "app/menu_bar1.h"
#include "app/plugin_entries.h"
#include "framework/application.h"
#include "framework/exceptions.h"
#include "framework/recorder.h"
#include "framework/runtime.h"
#include "framework/session_channel.h"
#include "pngu/png_saver.h"

namespace app {

void LoadPlugins() { pngu::RegisterPlugin(); }

void RegisterClasses() {
  for (const char* name : {"Main", "MenuBar1", "App", "AddImages"}) fw::Record("RegisterClass ", name);
}

void InitFileTypes() { FileTypes::Initialize(); }

void NewAppInstance() {
  auto app = std::make_unique<App>();
  app->SetMenuBar(implicit::MenuBar1());  // the bar is set before registration
  fw::RuntimeRegisterAppObject(std::move(app));
}

void ApplicationAddMenuHandlers() {
  App* app = implicit::App();
  app->AddMenuHandler("ToolsAddImages", fw::Delegate{[app] { return app->ToolsAddImages_Action(); }, "(  ) as Boolean"});
}

void MakeDefaultView() { (void)implicit::Main(); }

void RunMain() {
  try {
    fw::Record("RuntimeInitExternalClasses");
    InitPluginEntrypoints();
    InitFileTypes();
    NewAppInstance();
    ApplicationAddMenuHandlers();
    MakeDefaultView();
    fw::RuntimeRun();
  } catch (const fw::QuitUnwind&) {
    // Quit during start-up: shut down in order, nothing to report.
  } catch (...) {
    fw::UnhandledException(std::current_exception());
  }
}

void ReleaseModuleObjects() {
  fw::RuntimeReleaseLists();
  FileTypes::Release_pText();
  FileTypes::Release_pSpecialAny();
  FileTypes::Release_pPHI_Image();
  implicit::ReleaseMenuBar1();
  fw::Record("ReleaseMenuBar1");
  fw::ReleaseAppObject();
}

int ProcessEntry(int argc, char** argv) {
  // One program per session: a start while it runs only hands its documents over.
  if (fw::HandOverToRunningProgram("orvistella", argc, argv)) return 0;
  fw::RuntimeInit(argc, argv);
  fw::SetApplicationName("Orvistella");
  LoadPlugins();
  RegisterClasses();
  RunMain();
  ReleaseModuleObjects();
  return fw::RuntimeExit();
}

}  // namespace app
