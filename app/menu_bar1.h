#pragma once
// The application's menu bar: File, Edit and Tools.
#include "framework/menu.h"

namespace app {

class MenuBar1 : public fw::MenuBar {
 public:
  // Builds the three menus, once.
  void Constructor();
  void Untitled1();  // File
  void Untitled2();  // Edit
  void Untitled3();  // Tools
};

}  // namespace app
