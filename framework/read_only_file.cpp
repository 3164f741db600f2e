#include "framework/read_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "framework/text_input_stream.h"

namespace fw {

ReadOnlyFile::ReadOnlyFile(int fd) : fd_(fd) {
  struct stat st;
  if (::fstat(fd_, &st) == 0) length_ = int64_t(st.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool ReadOnlyFile::ReadAt(int64_t offset, void* out, size_t n) const {
  auto* p = static_cast<uint8_t*>(out);
  while (n > 0) {
    const ssize_t r = ::pread(fd_, p, n, off_t(offset));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    offset += r;
    n -= size_t(r);
  }
  return true;
}

std::unique_ptr<TextInputStream> ReadOnlyFile::OpenText() const {
  // A second descriptor of the same open file; the samples are read with
  // pread, so the two never disturb each other's position.
  const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  if (::lseek(fd, 0, SEEK_SET) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<TextInputStream>(fd);
}

}  // namespace fw
