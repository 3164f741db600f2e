#pragma once
// The process entry and the start-up sequence.

namespace app {

// The whole process: runtime, classes, the start-up sequence, the release of
// the module-level objects, the runtime's end. Returns the exit status.
int ProcessEntry(int argc, char** argv);

// Loads the plug-ins that ship with the program (the PNG writer).
void LoadPlugins();
// Registers the program's classes with the runtime, in order.
void RegisterClasses();
// The start-up sequence inside its single catch region: the program's main
// routine, named RunMain so that it does not clash with the class Main.
void RunMain();
// Shut-down: the framework's lists, the file types, the menu bar instance.
void ReleaseModuleObjects();

// The steps of RunMain, in their order.
void InitFileTypes();
void NewAppInstance();
void ApplicationAddMenuHandlers();
void MakeDefaultView();

}  // namespace app
