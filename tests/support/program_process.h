#pragma once
// The real program of the same build, started and stopped as a desktop does.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace testsupport {

// A user session of its own: the program started with Env() neither hands its
// documents to, nor takes them from, a copy running in another session.
struct PrivateSession {
  PrivateSession() { std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all); }
  std::map<std::string, std::string> Env() const { return {{"XDG_RUNTIME_DIR", dir.path().string()}}; }
  TempDir dir;
};

// Starts <build>/app/orvistella in folder `cwd` with these arguments, under the
// offscreen platform, its output discarded; `env` entries are set on top of ours.
pid_t StartProgram(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                   const std::map<std::string, std::string>& env = {});

// Whether the program still runs; an ended one is left to be waited for.
bool Running(pid_t pid);

struct Ending {
  bool ended = false;  // false: still running at the deadline (then killed)
  int exitStatus = -1;  // when it exited; -1 when it did not
  int signal = 0;       // when a signal ended it
};
Ending WaitForEnd(pid_t pid, std::chrono::seconds timeout = std::chrono::seconds(60));
// Quits the program with SIGTERM, as a desktop does, and waits for its end.
Ending StopProgram(pid_t pid);

}  // namespace testsupport
