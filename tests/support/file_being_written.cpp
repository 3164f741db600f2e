#include "tests/support/file_being_written.h"

#include <string>

namespace testsupport {

namespace fs = std::filesystem;

bool FileBeingWrittenIn(const fs::path& folder, pid_t pid) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().filename().string()[0] == '.') return true;
  // The kernel shows an unnamed file as "<folder>/#<inode> (deleted)".
  const std::string prefix = folder.string() + "/#";
  const fs::path fds = pid == 0 ? fs::path("/proc/self/fd") : fs::path("/proc") / std::to_string(pid) / "fd";
  for (const auto& fd : fs::directory_iterator(fds, ec))
    if (fs::read_symlink(fd.path(), ec).string().rfind(prefix, 0) == 0) return true;
  return false;
}

}  // namespace testsupport
