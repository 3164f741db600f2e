#pragma once
// The single instances of the program, reached by class. Each accessor is
// named for its class and lives here so that the names do not clash.
namespace mapconv {
class Main;
}
namespace addimages {
class AddImages;
}

namespace app {
class App;
class MenuBar1;

namespace implicit {

// The application object.
App* App();
// The menu bar instance, made (and its menus built) on first use.
app::MenuBar1* MenuBar1();
// The open main window, or a new one.
mapconv::Main* Main();
// The open Add Images window, or a new one.
addimages::AddImages* AddImages();

// Shut-down: releases the menu bar instance.
void ReleaseMenuBar1();

}  // namespace implicit
}  // namespace app
