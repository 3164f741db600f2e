#include "framework/session_channel.h"

#include <QMainWindow>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <thread>
#include <vector>

#include "framework/application.h"
#include "framework/recorder.h"
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
// A visitor that sends nothing for this long is dropped: it holds a descriptor
// that a later start may need.
constexpr int kIdleVisitorMs = 3000;
// With as many visitors as it reads at once, or out of descriptors, the
// program waits this long before it accepts again instead of being woken at
// once by the same waiting start.
constexpr int kAcceptPauseMs = 200;

int g_lockFd = -1;
int g_listenFd = -1;
QSocketNotifier* g_listenNotifier = nullptr;  // owned by the toolkit's application object
std::string g_socketPath;
std::string g_socketFolder;  // a folder made for the socket, removed with it

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

bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  int ready;
  while ((ready = ::poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
  }
  return ready > 0;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno != EINTR && !((errno == EAGAIN || errno == EWOULDBLOCK) &&
                                            WaitFor(fd, POLLOUT, kAnswerTimeoutMs))) {
      return false;
    }
  }
  return true;
}

// The documents as they go over: absolute paths, each ended by a NUL byte, and
// one more NUL byte after the last, so that a hand-over cut short is known as
// such; no documents, no bytes. A name that cannot be made absolute (the
// current folder was removed) names no file here either and is left out.
std::string Message(int argc, char** argv) {
  std::string message;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(argv[i], ec);
    if (!ec && *argv[i]) message += p.string() + '\0';
  }
  if (!message.empty()) message += '\0';
  return message;
}

bool IsWhole(const std::string& message) {
  return message.empty() || (message.size() >= 2 && message[message.size() - 1] == '\0' &&
                             message[message.size() - 2] == '\0');
}

// Sends the documents and waits for the one-byte answer; true once the running
// program took them. A program that is quitting closes without answering; one
// that is stopped or swamped has a full queue, which refuses at once.
bool SendDocuments(const std::string& socketPath, const std::string& message) {
  sockaddr_un addr;
  if (!FillAddress(socketPath, addr)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  bool result = false;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && WriteAll(fd, message) &&
      ::shutdown(fd, SHUT_WR) == 0) {
    char answer = 0;
    if (!WaitFor(fd, POLLIN, kAnswerTimeoutMs)) {
      std::fprintf(stderr, "The running program did not answer; the documents were handed to it.\n");
      result = true;
    } else {
      result = ::read(fd, &answer, 1) == 1;
    }
  }
  ::close(fd);
  return result;
}

// Where the running program listens, as it wrote it in the lock file.
std::string PublishedSocket(int lockFd) {
  char buf[4096];
  const ssize_t n = ::pread(lockFd, buf, sizeof buf, 0);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
}

int ListenOn(const std::string& socketPath) {
  sockaddr_un addr;
  if (!FillAddress(socketPath, addr)) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  ::unlink(socketPath.c_str());  // the lock is ours: no program answers on it
  const mode_t mask = ::umask(077);
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::umask(mask);
  if (!bound || ::listen(fd, 16) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void RemoveSocket() {
  if (g_socketPath.empty()) return;
  ::unlink(g_socketPath.c_str());  // while the lock is held: no other program listens there
  if (!g_socketFolder.empty()) ::rmdir(g_socketFolder.c_str());
  g_socketPath.clear();
  g_socketFolder.clear();
}

// Becomes the program of this session, while holding the lock: listens in the
// runtime folder, else (its path too long for a socket address, or something
// in the way) in a new private folder of a short name, and writes where in the
// lock file. False when it can listen nowhere.
bool Listen(const std::string& socketPath, const std::string& runtimeFolder) {
  // What a crashed program left in a folder of its own goes.
  const std::string left = PublishedSocket(g_lockFd);
  const std::string leftFolder = std::filesystem::path(left).parent_path().string();
  struct stat st;
  if (leftFolder != runtimeFolder && leftFolder.rfind("/tmp/orvistella-", 0) == 0 &&
      ::lstat(left.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && IsPrivateFolder(leftFolder)) {
    ::unlink(left.c_str());
    ::rmdir(leftFolder.c_str());
  }

  g_socketPath = socketPath;
  g_listenFd = ListenOn(g_socketPath);
  char folder[] = "/tmp/orvistella-XXXXXX";
  if (g_listenFd < 0 && ::mkdtemp(folder)) {
    g_socketFolder = folder;
    g_socketPath = g_socketFolder + "/socket";
    g_listenFd = ListenOn(g_socketPath);
  }
  if (g_listenFd >= 0 && ::ftruncate(g_lockFd, 0) == 0 &&
      ::pwrite(g_lockFd, g_socketPath.data(), g_socketPath.size(), 0) == static_cast<ssize_t>(g_socketPath.size()))
    return true;
  if (g_listenFd >= 0) ::close(g_listenFd);
  g_listenFd = -1;
  RemoveSocket();
  CloseSessionChannel();
  return false;
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

// At most this many later starts are read at once: the others wait in the
// queue, and the program keeps descriptors for its own files.
size_t VisitorRoom() {
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  return std::min<rlim_t>(64, limit.rlim_cur / 4);
}

// One later start: its documents are read to the end, then queued.
class Visitor : public QObject {
 public:
  static inline size_t count = 0;

  Visitor(int fd, QObject* owner) : QObject(owner), fd_(fd), notifier_(fd, QSocketNotifier::Read, this) {
    ++count;
    connect(&notifier_, &QSocketNotifier::activated, this, [this] { Read(); });
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this, [this] {
      if (!Read()) Finish(false);
    });
    idle_.start(kIdleVisitorMs);
  }
  ~Visitor() override {
    notifier_.setEnabled(false);
    ::close(fd_);
    --count;
  }

 private:
  // Takes what has arrived; false when nothing had.
  bool Read() {
    static char buf[1 << 16];  // visitors are read on the window's thread only
    bool arrived = false;
    for (;;) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n > 0) {
        arrived = true;
        try {
          message_.append(buf, static_cast<size_t>(n));
        } catch (const std::bad_alloc&) {
          Finish(false);
          return true;
        }
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (arrived) idle_.start(kIdleVisitorMs);
        return arrived;
      }
      Finish(n == 0 && IsWhole(message_));
      return true;
    }
  }

  void Finish(bool whole) {
    notifier_.setEnabled(false);
    idle_.stop();
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
  QTimer idle_;
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
  const std::string message = Message(argc, argv);

  const int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd < 0) return false;
  const auto deadline = Clock::now() + kReachTimeout;
  for (;;) {
    // The lock is held for the life of the running program and freed by the
    // kernel when it ends, crashed or not: a socket without it is stale.
    if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0) {
      g_lockFd = lockFd;
      Listen(socketPath, dir);  // or the lock is given up: later starts run at once
      return false;
    }
    const std::string published = PublishedSocket(lockFd);
    if (SendDocuments(published.empty() ? socketPath : published, message)) {
      ::close(lockFd);
      return true;
    }
    // Still starting (not listening yet), quitting (the lock goes soon) or not
    // taking starts (stopped, or out of descriptors).
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
    Record("AcceptLaterStarts");
    while (Visitor::count < VisitorRoom()) {
      const int fd = ::accept4(g_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd >= 0 && SameUser(fd))
        new Visitor(fd, owner);
      else if (fd >= 0)
        ::close(fd);
      else if (errno == EAGAIN || errno == EWOULDBLOCK)
        return;
      else if (errno != EINTR && errno != ECONNABORTED)
        break;  // out of descriptors
    }
    // The starts waiting in the queue would wake the loop again at once.
    g_listenNotifier->setEnabled(false);
    QTimer::singleShot(kAcceptPauseMs, g_listenNotifier, [] { g_listenNotifier->setEnabled(true); });
  });
}

void StopAnsweringLaterStarts() {
  delete g_listenNotifier;
  g_listenNotifier = nullptr;
  if (g_listenFd >= 0) {
    RemoveSocket();
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
