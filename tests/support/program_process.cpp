#include "tests/support/program_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
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
  // Everything the child needs is made here: this process has threads, so the
  // child may call only async-signal-safe functions until it execs.
  std::map<std::string, std::string> vars = env;
  vars.emplace("QT_QPA_PLATFORM", "offscreen");
  std::vector<std::string> entries;
  for (char** e = environ; *e; ++e)
    if (!vars.count(std::string(*e, std::strcspn(*e, "=")))) entries.emplace_back(*e);
  for (const auto& [name, value] : vars) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  const std::string dir = cwd.string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // A group of its own, as a desktop starts a program: a stopped program in
    // the test's group would get the kernel's SIGHUP when that group is
    // orphaned (the shell that started the tests ends). It ends with the test.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(null, 1);
    ::dup2(null, 2);
    if (::chdir(dir.c_str()) == 0) ::execve(program.c_str(), argv.data(), envp.data());
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
