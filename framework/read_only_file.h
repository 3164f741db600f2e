#pragma once
// One file opened for reading, by descriptor: its length is taken once when it
// is opened, its text read line by line and its bytes read at any offset, all
// from the same open file, whatever happens to its name meanwhile.
#include <cstddef>
#include <cstdint>
#include <memory>

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

 private:
  int fd_;
  int64_t length_ = 0;
};

}  // namespace fw
