#include "bench/outside_runs.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The program hands its documents to a running copy in the same session: the
// runs get a session of their own, so that a user's open program is not used.
class PrivateRuntimeFolder {
 public:
  PrivateRuntimeFolder() {
    char name[] = "/tmp/orvistella-bench-XXXXXX";
    if (::mkdtemp(name)) path_ = name;  // mkdtemp makes it 0700
  }
  ~PrivateRuntimeFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

pid_t Spawn(std::vector<std::string> command, const Cpus& cpus, const std::string& errFile) {
  if (!cpus.list.empty()) command.insert(command.begin(), {"taskset", "-c", cpus.list});
  static const PrivateRuntimeFolder runtime;
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!runtime.Path().empty()) ::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  const int null = ::open("/dev/null", O_WRONLY);
  const int err = errFile.empty() ? null : ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(null, 1);
  ::dup2(err, 2);
  std::vector<char*> argv;
  for (auto& arg : command) argv.push_back(arg.data());
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  ::_exit(127);
}

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

}  // namespace

double RunToEnd(const std::vector<std::string>& command, const Cpus& cpus, const std::string& errFile) {
  const auto t0 = Clock::now();
  const pid_t pid = Spawn(command, cpus, errFile);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  const double seconds = Since(t0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double TimeProgram(const std::string& program, const std::vector<std::string>& documents, const fs::path& folder,
                   size_t pngs, const Cpus& cpus) {
  // A PNG appears under its name only once complete: its creation is the moment.
  const int watch = ::inotify_init1(IN_CLOEXEC);
  if (watch < 0 || ::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) return -1;
  std::vector<std::string> command{program};
  command.insert(command.end(), documents.begin(), documents.end());
  const auto t0 = Clock::now();
  const pid_t pid = Spawn(command, cpus, "");
  size_t seen = 0;
  alignas(inotify_event) char buffer[64 * 1024];
  while (seen < pngs && Since(t0) < 120) {
    pollfd p{watch, POLLIN, 0};
    if (::poll(&p, 1, 1000) <= 0) continue;
    const ssize_t n = ::read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      const std::string name = event->len ? event->name : "";
      if (name.size() > 4 && name[0] != '.' && name.compare(name.size() - 4, 4, ".png") == 0) ++seen;
      at += ssize_t(sizeof(inotify_event) + event->len);
    }
  }
  const double seconds = Since(t0);
  ::close(watch);
  ::kill(pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 1000 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (::waitpid(pid, &status, WNOHANG) == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  return seen == pngs ? seconds : -1;
}

unsigned long long PngBytes(const fs::path& folder) {
  unsigned long long bytes = 0;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".png") bytes += e.file_size();
  return bytes;
}

void RemovePngs(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".png") fs::remove(e.path());
}

}  // namespace bench
