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

int RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
  return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#else
  constexpr unsigned kNoReplace = 1;  // RENAME_NOREPLACE of <linux/fs.h>
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, kNoReplace));
#endif
}

// The permission bits that a newly created file gets: 0666 less the umask.
unsigned NewFileMode() {
  static const mode_t mask = ReadUmask();  // once: the umask of a running program does not change
  return 0666u & ~unsigned(mask);
}

bool LinkNoReplace(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) != 0) return false;  // EEXIST when taken
  ::unlink(from.c_str());
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Moves from to a free name `to` in the same file system; false (EEXIST when
// taken) without touching an existing `to`, by a hard link and an unlink
// where the file system lacks an atomic no-replace rename.
bool MoveNoReplace(const std::string& from, const std::string& to) {
  if (RenameNoReplace(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  return LinkNoReplace(from, to);
}

}  // namespace

NewFile::NewFile(std::string finalPath, bool unnamed) : finalPath_(std::move(finalPath)) {
  if (finalPath_.empty() || finalPath_.back() == '/') return;
  if (unnamed) {
    // The kernel takes the umask off the mode, as for any new file.
    fd_ = ::open(FolderOf(finalPath_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return;
  }
  std::string pattern = TempTemplate(finalPath_);
  if (pattern.empty()) return;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return;
  if (::fchmod(fd, NewFileMode()) != 0) {
    ::close(fd);
    ::unlink(name.data());
    return;
  }
  fd_ = fd;
  tempPath_.assign(name.data());
}

NewFile::~NewFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

bool NewFile::Commit() {
  if (fd_ < 0 || committed_) return false;
  if (tempPath_.empty()) {
    // linkat never replaces a name. Through /proc it needs no privilege;
    // AT_EMPTY_PATH is the way where /proc is not mounted.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    committed_ = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, finalPath_.c_str(), AT_SYMLINK_FOLLOW) == 0;
    if (!committed_ && errno == ENOENT)
      committed_ = ::linkat(fd_, "", AT_FDCWD, finalPath_.c_str(), AT_EMPTY_PATH) == 0;
  } else {
    committed_ = MoveNoReplace(tempPath_, finalPath_);
  }
  if (!committed_) return false;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) {
    // A write the file system reported only now: the file is not whole.
    ::unlink(finalPath_.c_str());
    committed_ = false;
  }
  return committed_;
}

}  // namespace pngu
