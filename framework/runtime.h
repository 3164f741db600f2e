#pragma once
// Start and end of the runtime: the application object of the toolkit.

namespace fw {

// Creates the toolkit's application object (once). Qt's own options are taken
// out of argv; argc is updated. Without a display and without a platform
// chosen, the offscreen platform is used.
void RuntimeInit(int& argc, char** argv);
// True once RuntimeInit has run and until RuntimeExit.
bool RuntimeRunning();
// Destroys the toolkit's application object; returns the exit status.
int RuntimeExit();

}  // namespace fw
