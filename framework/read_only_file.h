#pragma once
// One file opened for reading, by descriptor: its length is taken once when it
// is opened, its text read line by line and its bytes read at any offset, all
// from the same open file, whatever happens to its name meanwhile.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace fw {

class TextInputStream;

class ReadOnlyFile {
 public:
  // Takes ownership of an open descriptor of a regular file.
  explicit ReadOnlyFile(int fd);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // The length in bytes when the file was opened.
  int64_t Length() const { return length_; }
  // Reads exactly n bytes at offset; false on a short read (the file became
  // shorter) or a read error. Safe to call from several threads at once.
  bool ReadAt(int64_t offset, void* out, size_t n) const;
  // A text stream over the same open file from its first byte; nil when the
  // system refuses another descriptor.
  std::unique_ptr<TextInputStream> OpenText() const;

  // What a write to the file changes: its length and the times of the last
  // change of its contents and of the file itself, to the nanosecond (a
  // rewrite of the same length shows only in the times).
  struct Version {
    int64_t size = 0, mtimeNs = 0, ctimeNs = 0;
    bool operator==(const Version&) const = default;
  };
  // nullopt when the system cannot tell.
  std::optional<Version> CurrentVersion() const;

 private:
  int fd_;
  int64_t length_ = 0;
};

// Tests: from this byte offset on, every read of the file layer fails as on a
// bad disk (EIO); a read that starts before it stops short there. -1 ends it.
void FailReadsFromForTest(int64_t offset);

namespace detail {
// read(2) at the descriptor's own position when offset is below 0, else
// pread(2); retried on EINTR. Where every read of the file layer goes.
ssize_t ReadSome(int fd, void* out, size_t n, int64_t offset);
}  // namespace detail

}  // namespace fw
