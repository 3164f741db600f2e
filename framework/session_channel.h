#pragma once
// One program per user session. The first start holds a lock and listens on a
// local socket in the user's runtime folder ($XDG_RUNTIME_DIR, else a private
// folder under /tmp); a later start hands its documents over through it and
// ends, and the running program opens them as it opens a drop.
#include <string>

class QObject;

namespace fw {

// Called by the process entry before the toolkit starts. True when a running
// program of this user took the documents (every argument after the
// program's name; none brings its main window forward): the caller then ends
// with status 0. False when this process is the one to run; it then holds the
// channel, which the runtime listens on once its event loop exists.
bool HandOverToRunningProgram(const std::string& channelName, int argc, char** argv);

// The runtime: answers later starts from the event loop (no-op when this
// process holds no channel).
void ListenForLaterStarts(QObject* owner);
// On quit: later starts are no longer answered (the socket goes); they wait
// for the lock, which this process holds until it ends.
void StopAnsweringLaterStarts();
// At shut-down: the lock is freed, and a later start becomes the program.
void CloseSessionChannel();

}  // namespace fw
