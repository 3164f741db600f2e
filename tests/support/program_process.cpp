#include "tests/support/program_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace testsupport {

std::string ProgramPath() {
  namespace fs = std::filesystem;
  return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "app" / "orvistella").string();
}

pid_t StartProgram(const std::vector<std::string>& documents) {
  const std::string program = ProgramPath();
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& d : documents) argv.push_back(const_cast<char*>(d.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (FILE* null = std::fopen("/dev/null", "w")) {
      ::dup2(fileno(null), 1);
      ::dup2(fileno(null), 2);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

int StopProgram(pid_t pid) {
  ::kill(pid, SIGTERM);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

}  // namespace testsupport
