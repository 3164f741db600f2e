#include "framework/session_channel.h"

#include <QMainWindow>
#include <QObject>
#include <QSocketNotifier>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "framework/application.h"
#include "framework/window.h"

namespace fw {

namespace {
using Clock = std::chrono::steady_clock;

// A later start waits this long for the running program to be reachable, then
// runs by itself rather than lose its documents.
constexpr auto kReachTimeout = std::chrono::seconds(10);
// The running program answers from its event loop, which a conversion lets run
// every few milliseconds; a program that never answers has still been handed
// the documents.
constexpr int kAnswerTimeoutMs = 30000;
constexpr size_t kMaxMessage = 1 << 20;  // far more paths than a desktop passes

int g_lockFd = -1;
int g_listenFd = -1;
QSocketNotifier* g_listenNotifier = nullptr;  // owned by the toolkit's application object
std::string g_socketPath;

// A folder only this user can enter, or false.
bool IsPrivateFolder(const std::string& dir) {
  struct stat st;
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 077) == 0;
}

// The user's runtime folder; "" when there is no private one.
std::string RuntimeFolder() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg && *xdg) return IsPrivateFolder(xdg) ? xdg : "";
  const std::string fallback = "/tmp/orvistella-runtime-" + std::to_string(::getuid());
  ::mkdir(fallback.c_str(), 0700);
  return IsPrivateFolder(fallback) ? fallback : "";
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
  addr = {};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  path.copy(addr.sun_path, path.size());
  return true;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Sends the documents (absolute paths, each ended by a NUL byte) and waits for
// the one-byte answer; true once the running program took them. A program that
// is quitting closes without answering.
bool SendDocuments(const std::string& socketPath, const std::string& message) {
  sockaddr_un addr;
  if (!FillAddress(socketPath, addr)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool result = false;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    if (WriteAll(fd, message) && ::shutdown(fd, SHUT_WR) == 0) {
      pollfd p{fd, POLLIN, 0};
      int ready;
      while ((ready = ::poll(&p, 1, kAnswerTimeoutMs)) < 0 && errno == EINTR) {
      }
      char answer = 0;
      if (ready == 0) {
        std::fprintf(stderr, "The running program did not answer; the documents were handed to it.\n");
        result = true;
      } else if (ready > 0 && ::read(fd, &answer, 1) == 1) {
        result = true;
      }
    }
  }
  ::close(fd);
  return result;
}

// Becomes the program of this session: binds the socket (replacing one that a
// crashed program left) while holding the lock.
void Listen(const std::string& socketPath) {
  sockaddr_un addr;
  if (!FillAddress(socketPath, addr)) return;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  ::unlink(socketPath.c_str());  // the lock is ours: no program answers on it
  const mode_t mask = ::umask(077);
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::umask(mask);
  if (!bound || ::listen(fd, 16) != 0) {
    ::close(fd);
    return;
  }
  g_listenFd = fd;
  g_socketPath = socketPath;
}

// The program's first window still open: its main window.
void BringMainWindowForward() {
  Window* first = nullptr;
  for (Window* w : OpenWindows())
    if (!first || w->Serial() < first->Serial()) first = w;
  if (!first) return;
  first->Host()->setWindowState(first->Host()->windowState() & ~Qt::WindowMinimized);
  first->Show();
}

// One later start: its documents are read to the end, then queued.
class Visitor : public QObject {
 public:
  Visitor(int fd, QObject* owner) : QObject(owner), fd_(fd), notifier_(fd, QSocketNotifier::Read, this) {
    connect(&notifier_, &QSocketNotifier::activated, this, [this] { Read(); });
  }
  ~Visitor() override {
    notifier_.setEnabled(false);
    ::close(fd_);
  }

 private:
  void Read() {
    char buf[4096];
    for (;;) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n > 0) {
        message_.append(buf, static_cast<size_t>(n));
        if (message_.size() > kMaxMessage) return Finish(false);
        continue;
      }
      if (n < 0 && (errno == EINTR)) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      return Finish(n == 0);
    }
  }

  void Finish(bool whole) {
    notifier_.setEnabled(false);
    if (whole && !Quitting()) {
      std::vector<std::string> paths;
      for (size_t start = 0, end; (end = message_.find('\0', start)) != std::string::npos; start = end + 1)
        paths.push_back(message_.substr(start, end - start));
      if (paths.empty()) BringMainWindowForward();
      OpenDocumentPaths(paths);
      [[maybe_unused]] ssize_t n = ::send(fd_, "1", 1, MSG_NOSIGNAL);
    }
    deleteLater();
  }

  int fd_;
  QSocketNotifier notifier_;
  std::string message_;
};

bool SameUser(int fd) {
  ucred cred{};
  socklen_t len = sizeof cred;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid();
}
}  // namespace

bool HandOverToRunningProgram(const std::string& channelName, int argc, char** argv) {
  const std::string dir = RuntimeFolder();
  if (dir.empty()) return false;  // no private folder: this start runs alone
  const std::string socketPath = dir + "/" + channelName + ".socket";
  const std::string lockPath = dir + "/" + channelName + ".lock";

  // The running program's folder may differ from ours: paths go over whole.
  std::string message;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(argv[i], ec);
    message += (ec ? std::string(argv[i]) : p.string()) + '\0';
  }

  const int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd < 0) return false;
  const auto deadline = Clock::now() + kReachTimeout;
  for (;;) {
    // The lock is held for the life of the running program and freed by the
    // kernel when it ends, crashed or not: a socket without it is stale.
    if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0) {
      g_lockFd = lockFd;
      Listen(socketPath);
      return false;
    }
    if (SendDocuments(socketPath, message)) {
      ::close(lockFd);
      return true;
    }
    // Still starting (not listening yet) or quitting (the lock goes soon).
    if (Clock::now() >= deadline) {
      ::close(lockFd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void ListenForLaterStarts(QObject* owner) {
  if (g_listenFd < 0) return;
  g_listenNotifier = new QSocketNotifier(g_listenFd, QSocketNotifier::Read, owner);
  QObject::connect(g_listenNotifier, &QSocketNotifier::activated, owner, [owner] {
    int fd;
    while ((fd = ::accept4(g_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
      if (SameUser(fd))
        new Visitor(fd, owner);
      else
        ::close(fd);
    }
  });
}

void StopAnsweringLaterStarts() {
  delete g_listenNotifier;
  g_listenNotifier = nullptr;
  if (g_listenFd >= 0) {
    ::unlink(g_socketPath.c_str());  // while the lock is held: no other program listens there
    ::close(g_listenFd);
    g_listenFd = -1;
  }
}

void CloseSessionChannel() {
  StopAnsweringLaterStarts();
  if (g_lockFd >= 0) {
    ::close(g_lockFd);
    g_lockFd = -1;
  }
}

}  // namespace fw
