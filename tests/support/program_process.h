#pragma once
// The real program of this build, run as a child process.
#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// <build>/app/orvistella, beside the test programs' <build>/tests/.
std::string ProgramPath();
// Starts the program on the offscreen platform with these documents; its
// output goes to /dev/null. -1 when it cannot be started.
pid_t StartProgram(const std::vector<std::string>& documents);
// Sends SIGTERM and waits (SIGKILL after 60 s); the exit status, or -1 when
// it did not exit by itself.
int StopProgram(pid_t pid);

}  // namespace testsupport
