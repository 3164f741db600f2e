#include "framework/read_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "framework/text_input_stream.h"

namespace fw {

namespace {
std::atomic<int64_t> g_failReadsFrom{-1};
}

void FailReadsFromForTest(int64_t offset) { g_failReadsFrom = offset; }

ssize_t detail::ReadSome(int fd, void* out, size_t n, int64_t offset) {
  const int64_t bad = g_failReadsFrom.load(std::memory_order_relaxed);
  if (bad >= 0) {
    const int64_t at = offset >= 0 ? offset : int64_t(::lseek(fd, 0, SEEK_CUR));
    if (at >= bad) {
      errno = EIO;
      return -1;
    }
    if (uint64_t(bad - at) < n) n = size_t(bad - at);
  }
  ssize_t r;
  do {
    r = offset >= 0 ? ::pread(fd, out, n, off_t(offset)) : ::read(fd, out, n);
  } while (r < 0 && errno == EINTR);
  return r;
}

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
    const ssize_t r = detail::ReadSome(fd_, p, n, offset);
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

std::optional<ReadOnlyFile::Version> ReadOnlyFile::CurrentVersion() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return std::nullopt;
  const auto ns = [](const timespec& t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
  return Version{int64_t(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

}  // namespace fw
