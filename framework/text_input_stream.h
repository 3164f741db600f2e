#pragma once
// Line-by-line reading of a text file.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace fw {

class TextInputStream {
 public:
  // Takes ownership of an open file descriptor.
  explicit TextInputStream(int fd);
  ~TextInputStream();
  TextInputStream(const TextInputStream&) = delete;
  TextInputStream& operator=(const TextInputStream&) = delete;

  // The next line without its end (CR LF, LF or CR). A line longer than
  // 65,536 bytes is cut there and the rest of it skipped. The text is taken
  // as UTF-8 where the line is valid UTF-8, else as Latin-1, and returned as
  // UTF-8. At the end of the file: "" and EndOfFile() is true.
  std::string ReadLine();
  bool EndOfFile() const;
  // A read failed (not the end of the file): EndOfFile() is true from then
  // on, and the line that was being read was not given.
  bool ReadFailed() const { return failed_; }
  // Length in bytes of the open file (even once its name is gone); 0 when closed.
  int64_t Length() const;
  void Close();

  static constexpr size_t kMaxLineBytes = 65536;

 private:
  bool Fill();
  int fd_;
  std::string buffer_;
  size_t pos_ = 0;
  bool eof_ = false;
  bool failed_ = false;
};

}  // namespace fw
