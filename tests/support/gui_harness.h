#pragma once
// Runs the program's start-up in the test process (without entering the event
// loop), and acts on its windows as a user would: drops, clicks, menu choices.
#include <filesystem>
#include <string>
#include <vector>

#include "framework/folder_item.h"
#include "framework/window.h"
#include "tests/support/temp_dir.h"

namespace mapconv {
class Main;
}

namespace testsupport {

class ProgramHarness {
 public:
  // Starts the program: plug-ins, file types, application object, menu
  // handler, main window. Message boxes are recorded, not shown.
  ProgramHarness();
  ~ProgramHarness();

  mapconv::Main* main() const;
  // The rows of a list box of the main window.
  std::vector<std::string> Rows(const std::string& listName) const;
  std::string Status() const;

  // A real drop of these paths (files or not) on the window's content area.
  static void Drop(fw::Window* window, const std::vector<std::string>& paths);
  // Lets events and queued actions run until nothing is left to do.
  static void Settle();
  // Whether the menu item of this Name can be chosen now, and a click on it.
  static bool MenuEnabled(const std::string& itemName);
  static void ChooseMenu(const std::string& itemName);
  // A click on the main window's "Open..." button, the dialog answering path
  // ("" for a cancelled dialog).
  void ClickOpen(const std::string& path);

  std::vector<std::string> messages;  // message boxes shown, in order
  std::vector<std::string> reports;   // unhandled exceptions reported
};

}  // namespace testsupport
