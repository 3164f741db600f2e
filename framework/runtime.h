#pragma once
// Start and end of the runtime: the application object of the toolkit.
#include <string>

namespace fw {

// Creates the toolkit's application object (once). Every argument after the
// program's name is a document (the toolkit parses none of them): each that
// names an existing file becomes an OpenDocument event once the event loop
// runs. A process that holds the session's channel answers later starts. Without a display and without
// a platform chosen, the offscreen platform is used.
void RuntimeInit(int& argc, char** argv);
void SetApplicationName(const std::string& name);
// Releases the framework's own lists (windows, queued actions) at shut-down.
void RuntimeReleaseLists();
// Destroys the toolkit's application object; returns the exit status.
int RuntimeExit();

}  // namespace fw
