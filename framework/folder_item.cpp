#include "framework/folder_item.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

#include "framework/binary_stream.h"
#include "framework/read_only_file.h"

namespace fw {

namespace {

constexpr const char* kTypeAttribute = "user.mac.type";
constexpr const char* kCreatorAttribute = "user.mac.creator";

// The path without trailing slashes; "/" stays "/".
std::string WithoutTrailingSlashes(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  return path.substr(0, end);
}

bool StatPath(const std::string& path, struct stat& st) { return !path.empty() && ::stat(path.c_str(), &st) == 0; }

// Opens a regular file only. O_NONBLOCK keeps a FIFO from blocking the open;
// it is cleared again once the file is known to be a regular one.
int OpenRegular(const std::string& path, int flags, mode_t mode = 0) {
  if (path.empty()) return -1;
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  return fd;
}

std::string GetAttribute(const std::string& path, const char* name) {
  char value[256];
  ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
  return n > 0 ? std::string(value, size_t(n)) : std::string();
}

void SetAttribute(const std::string& path, const char* name, const std::string& code) {
  // Failures (no such file, a file system without user attributes) are ignored.
  if (code.empty())
    ::removexattr(path.c_str(), name);
  else
    ::setxattr(path.c_str(), name, code.data(), code.size(), 0);
}

}  // namespace

FolderItem::FolderItem(std::string path) : path_(std::move(path)) {}

std::shared_ptr<FolderItem> FolderItem::FromPath(const std::string& path) {
  return std::make_shared<FolderItem>(path);
}

std::string FolderItem::DisplayName() const {
  std::string p = WithoutTrailingSlashes(path_);
  if (p == "/") return p;
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

int64_t FolderItem::Length() const {
  struct stat st;
  return StatPath(path_, st) && S_ISREG(st.st_mode) ? int64_t(st.st_size) : 0;
}

bool FolderItem::Exists() const {
  // A link names something even when it leads nowhere: its name is taken.
  struct stat st;
  return !path_.empty() && ::lstat(path_.c_str(), &st) == 0;
}

bool FolderItem::IsFolder() const {
  struct stat st;
  return StatPath(path_, st) && S_ISDIR(st.st_mode);
}

std::shared_ptr<FolderItem> FolderItem::Parent() const {
  std::string p = WithoutTrailingSlashes(path_);
  if (p.empty() || p == "/") return nullptr;
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) {
    // A relative name: its folder is the working folder, or above it.
    return FromPath(p == "." || p == ".." ? p + "/.." : std::string("."));
  }
  std::string parent = WithoutTrailingSlashes(p.substr(0, slash));
  return FromPath(parent.empty() ? std::string("/") : parent);
}

std::shared_ptr<FolderItem> FolderItem::Child(const std::string& name) const {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos || !IsFolder())
    return nullptr;
  return FromPath(path_.back() == '/' ? path_ + name : path_ + "/" + name);
}

std::string FolderItem::MacType() const { return GetAttribute(path_, kTypeAttribute); }
std::string FolderItem::MacCreator() const { return GetAttribute(path_, kCreatorAttribute); }
void FolderItem::SetMacType(const std::string& code) { SetAttribute(path_, kTypeAttribute, code); }
void FolderItem::SetMacCreator(const std::string& code) { SetAttribute(path_, kCreatorAttribute, code); }

std::unique_ptr<ReadOnlyFile> FolderItem::OpenForReading() const {
  int fd = OpenRegular(path_, O_RDONLY);
  if (fd < 0) return nullptr;
  return std::make_unique<ReadOnlyFile>(fd);
}

std::shared_ptr<BinaryStream> FolderItem::CreateBinaryFile(const std::string& /*fileType*/) const {
  // The Mac codes of the type are set by the caller; the name only documents intent.
  const int fd = OpenRegular(path_, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return nullptr;
  return std::make_shared<BinaryStream>(fd);
}

bool FolderItem::Delete() const {
  struct stat st;
  if (path_.empty() || ::lstat(path_.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(path_.c_str()) == 0;
}

}  // namespace fw
