#include "tests/support/program_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace testsupport {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

pid_t StartProgram(const std::vector<std::string>& args, const fs::path& cwd,
                   const std::map<std::string, std::string>& env) {
  // <build>/app/orvistella beside this test program's <build>/tests/.
  const std::string program =
      (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "app" / "orvistella").string();
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    if (FILE* null = std::fopen("/dev/null", "w")) {
      ::dup2(fileno(null), 1);
      ::dup2(fileno(null), 2);
    }
    if (::chdir(cwd.c_str()) == 0) ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

bool Running(pid_t pid) {
  siginfo_t info{};
  return ::waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

Ending WaitForEnd(pid_t pid, std::chrono::seconds timeout) {
  const auto deadline = Clock::now() + timeout;
  int status = 0;
  while (Clock::now() < deadline) {
    if (::waitpid(pid, &status, WNOHANG) == pid)
      return {true, WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return {};
}

Ending StopProgram(pid_t pid) {
  ::kill(pid, SIGTERM);
  return WaitForEnd(pid);
}

}  // namespace testsupport
