#include "pngu/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "framework/strings.h"

namespace pngu {

namespace {

// Longest file name most file systems take; the temporary name adds 8 bytes.
constexpr size_t kMaxNameBytes = 255;
constexpr char kTempSuffix[] = ".XXXXXX";

// Keeps at most n bytes of a UTF-8 name without cutting a character in two.
std::string Utf8Prefix(const std::string& s, size_t n) {
  size_t end = 0;
  while (end < s.size() && end + fw::CharLength(s, end) <= n) end += fw::CharLength(s, end);
  return s.substr(0, end);
}

std::string TempTemplate(const std::string& finalPath) {
  size_t slash = finalPath.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
  if (name.empty()) return {};
  return folder + "." + Utf8Prefix(name, kMaxNameBytes - 1 - (sizeof kTempSuffix - 1)) + kTempSuffix;
}

// Reading the umask with umask() means setting it for a moment, which races
// with other threads creating files; the kernel shows it read-only here.
bool UmaskFromProc(mode_t* mask) {
  std::unique_ptr<FILE, int (*)(FILE*)> status(std::fopen("/proc/self/status", "re"), &std::fclose);
  if (!status) return false;
  char line[256];
  while (std::fgets(line, sizeof line, status.get())) {
    if (std::strncmp(line, "Umask:", 6) != 0) continue;
    const char* p = line + 6;
    while (*p == ' ' || *p == '\t') ++p;
    mode_t value = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '7'; ++p, ++digits) value = value * 8 + mode_t(*p - '0');
    if (digits == 0) return false;
    *mask = value & 0777;
    return true;
  }
  return false;
}

mode_t ReadUmask() {
  mode_t mask = 0;
  if (UmaskFromProc(&mask)) return mask;
  mask = ::umask(0);
  ::umask(mask);
  return mask & 0777;
}

std::function<int(FileCall)> g_hook;

// Zero, or the errno with which the test hook fails the call.
int Refused(FileCall call) {
  const int error = g_hook ? g_hook(call) : 0;
  if (error != 0) errno = error;
  return error;
}

int OpenUnnamed(const std::string& folder) {
  if (Refused(FileCall::OpenUnnamed)) return -1;
  // The kernel takes the umask off the mode, as for any new file.
  return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

int RenameNoReplace(const std::string& from, const std::string& to) {
  if (Refused(FileCall::RenameNoReplace)) return -1;
#ifdef RENAME_NOREPLACE
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
#else
  constexpr unsigned kNoReplace = 1;  // RENAME_NOREPLACE of <linux/fs.h>
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kNoReplace));
#endif
}

int Link(const std::string& from, const std::string& to) {
  if (Refused(FileCall::Link)) return -1;
  return ::link(from.c_str(), to.c_str());  // EEXIST when taken
}

int SetMode(int fd, unsigned mode) {
  if (Refused(FileCall::SetMode)) return -1;
  return ::fchmod(fd, mode);
}

// The errors of a file system (or kernel) that lacks the call, as against
// those of the call: no O_TMPFILE (EISDIR from a kernel that predates it);
// no no-replace rename (FUSE answers EINVAL); no hard links or no modes
// (EPERM, or ENOSYS from a FUSE server that has none).
bool Lacks(FileCall call, int error) {
  switch (call) {
    case FileCall::OpenUnnamed: return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
    case FileCall::RenameNoReplace: return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
    case FileCall::Link:
    case FileCall::SetMode: return error == EPERM || error == ENOSYS || error == EOPNOTSUPP;
  }
  return false;
}

// The permission bits that a newly created file gets: 0666 less the umask.
unsigned NewFileMode() {
  static const mode_t mask = ReadUmask();  // once: the umask of a running program does not change
  return 0666u & ~unsigned(mask);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

enum class Move { Done, Failed, Unsupported };

// Moves from to a free name `to` in the same file system without touching
// an existing `to` (errno EEXIST when taken), by a hard link and an unlink
// where the file system lacks an atomic no-replace rename. Unsupported: it
// has neither.
Move MoveNoReplace(const std::string& from, const std::string& to) {
  if (RenameNoReplace(from, to) == 0) return Move::Done;
  if (!Lacks(FileCall::RenameNoReplace, errno)) return Move::Failed;
  if (Link(from, to) != 0) return Lacks(FileCall::Link, errno) ? Move::Unsupported : Move::Failed;
  ::unlink(from.c_str());
  return Move::Done;
}

}  // namespace

void SetFileCallHook(std::function<int(FileCall)> hook) { g_hook = std::move(hook); }

NewFile::NewFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
  if (finalPath_.empty() || finalPath_.back() == '/') return;
  fd_ = OpenUnnamed(FolderOf(finalPath_));
  if (fd_ >= 0 || !Lacks(FileCall::OpenUnnamed, errno)) return;
  const std::string pattern = TempTemplate(finalPath_);
  if (pattern.empty()) return;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) return;
  path_.assign(name.data());
  // mkstemp makes the file 0600. A file system that keeps no modes (FAT)
  // gives every file the same, and may refuse to change it.
  if (SetMode(fd_, NewFileMode()) != 0 && !Lacks(FileCall::SetMode, errno)) {
    Drop();
    return;
  }
  // One move to a second hidden name shows whether the file system can move
  // the file into place at the end; ".name~XXXXXX" is no name mkstemp gives.
  std::string moved = path_;
  moved[moved.size() - (sizeof kTempSuffix - 1)] = '~';
  switch (MoveNoReplace(path_, moved)) {
    case Move::Done: path_ = moved; return;
    case Move::Failed: return;  // no verdict: the file stays where it is, and the move at the end decides
    case Move::Unsupported: break;
  }
  Drop();
  // The last resort: named while it is written, so only here can a killed
  // process leave a part of it. O_EXCL never replaces a name.
  fd_ = ::open(finalPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ >= 0) path_ = finalPath_;
}

void NewFile::Drop() {
  const int error = errno;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!path_.empty()) ::unlink(path_.c_str());
  path_.clear();
  errno = error;
}

NewFile::~NewFile() { Drop(); }

bool NewFile::Commit() {
  if (fd_ < 0) return false;
  bool linked = true;  // made under its final name
  if (path_.empty()) {
    // linkat never replaces a name. Through /proc it needs no privilege;
    // AT_EMPTY_PATH is the way where /proc is not mounted.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, finalPath_.c_str(), AT_SYMLINK_FOLLOW) == 0;
    if (!linked && errno == ENOENT) linked = ::linkat(fd_, "", AT_FDCWD, finalPath_.c_str(), AT_EMPTY_PATH) == 0;
  } else if (path_ != finalPath_) {
    linked = MoveNoReplace(path_, finalPath_) == Move::Done;
  }
  if (!linked) return false;
  path_ = finalPath_;
  const int fd = fd_;
  fd_ = -1;
  // A write the file system reports only now: the file is not whole, and goes.
  if (::close(fd) != 0 && errno != EINTR) return false;
  path_.clear();
  return true;
}

}  // namespace pngu
