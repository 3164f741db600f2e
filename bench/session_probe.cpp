#include "bench/session_probe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "tests/support/png_reader.h"

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// The program in a session of its own (runtime folder), pinned as asked.
pid_t Start(const std::string& program, const std::string& input, const std::string& runtime, const Cpus& cpus) {
  std::vector<std::string> command{program, input};
  if (!cpus.list.empty()) command.insert(command.begin(), {"taskset", "-c", cpus.list});
  std::vector<char*> argv;
  for (auto& arg : command) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string env[] = {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime};
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 && std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0)
      envp.push_back(*e);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int null = ::open("/dev/null", O_WRONLY);
  ::dup2(null, 1);
  ::dup2(null, 2);
  ::execvpe(argv[0], argv.data(), envp.data());
  ::_exit(127);
}

// One hand-over without documents; its answer's delay in ms, or -1 when no
// program listens (yet).
double Probe(const std::string& socketPath) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  socketPath.copy(addr.sun_path, sizeof addr.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const auto t0 = Clock::now();
  double ms = -1;
  char answer;
  pollfd p{fd, POLLIN, 0};
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::shutdown(fd, SHUT_WR) == 0 &&
      ::poll(&p, 1, 10000) == 1 && ::read(fd, &answer, 1) == 1)
    ms = MsSince(t0);
  ::close(fd);
  return ms;
}

size_t Pngs(const fs::path& folder) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.path().extension() == ".png";
  return n;
}

// Every file but the input is a whole PNG under its own name.
bool OnlyWholePngs(const fs::path& folder, const std::string& input) {
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path() == input) continue;
    const auto png = ReadPng(e.path().string());
    if (e.path().filename().string()[0] == '.' || e.path().extension() != ".png" || !png) return false;
  }
  return true;
}

// SIGTERM, then the time until the process has ended; the status by reference.
double QuitMs(pid_t pid, int& status) {
  ::kill(pid, SIGTERM);
  const auto t0 = Clock::now();
  int raw = 0;
  while (::waitpid(pid, &raw, WNOHANG) == 0) {
    if (MsSince(t0) > 20000) ::kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  const double ms = MsSince(t0);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return ms;
}

}  // namespace

OutsideLook LookFromOutside(const std::string& program, const std::string& input, size_t pngs, const Cpus& cpus) {
  OutsideLook look;
  char dir[] = "/tmp/orvistella-probe-XXXXXX";  // 0700: a session of its own
  if (!::mkdtemp(dir)) return look;
  const std::string runtime = dir, socketPath = runtime + "/orvistella.socket";
  const fs::path folder = fs::path(input).parent_path();
  const auto removePngs = [&] {
    for (const auto& e : fs::directory_iterator(folder))
      if (e.path() != input) fs::remove(e.path());
  };

  // To the end: once a first answer shows the event loop runs, every answer is timed.
  removePngs();
  auto t0 = Clock::now();
  pid_t pid = Start(program, input, runtime, cpus);
  bool answered = false;
  while (Pngs(folder) < pngs && MsSince(t0) < 300000) {
    const double ms = Probe(socketPath);
    if (ms >= 0 && answered) look.longestAnswerMs = std::max(look.longestAnswerMs, ms);
    answered |= ms >= 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const double convertMs = MsSince(t0);
  int status = 0;
  QuitMs(pid, status);

  // Quits part-way through.
  look.onlyWholePngs = true;
  look.quitStatus = 0;
  for (const double part : {0.25, 0.5, 0.75}) {
    removePngs();
    t0 = Clock::now();
    pid = Start(program, input, runtime, cpus);
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(convertMs * part));
    look.quitMs = std::max(look.quitMs, QuitMs(pid, status));
    if (status != 0) look.quitStatus = status;
    look.onlyWholePngs &= OnlyWholePngs(folder, input);
  }
  removePngs();
  fs::remove_all(runtime);
  return look;
}

}  // namespace bench
