#include "framework/text_input_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include "framework/read_only_file.h"
#include "framework/strings.h"
#include "framework/yield.h"

namespace fw {

namespace {
constexpr size_t kChunk = 65536;
}

TextInputStream::TextInputStream(int fd) : fd_(fd) {}

TextInputStream::~TextInputStream() { Close(); }

void TextInputStream::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  buffer_.clear();
  pos_ = 0;
  eof_ = true;
}

bool TextInputStream::Fill() {
  if (fd_ < 0) return false;
  buffer_.erase(0, pos_);  // consumed bytes are never needed again
  pos_ = 0;
  size_t old = buffer_.size();
  buffer_.resize(old + kChunk);
  const ssize_t n = detail::ReadSome(fd_, buffer_.data() + old, kChunk, -1);
  buffer_.resize(old + (n > 0 ? size_t(n) : 0));
  if (n < 0) failed_ = eof_ = true;
  return n > 0;
}

std::string TextInputStream::ReadLine() {
  if (eof_) return "";
  if (pos_ >= buffer_.size() && !Fill()) {
    eof_ = true;
    return "";
  }
  std::string line;
  bool cut = false;
  for (;;) {
    size_t end = buffer_.find_first_of("\r\n", pos_);
    size_t stop = end == std::string::npos ? buffer_.size() : end;
    if (!cut) {
      size_t room = kMaxLineBytes - line.size();
      size_t take = stop - pos_;
      if (take > room) {
        take = room;
        cut = true;  // the rest of this line, up to its end, is skipped
      }
      line.append(buffer_, pos_, take);
    }
    pos_ = stop;
    if (end != std::string::npos) {
      char c = buffer_[pos_++];
      // A CR as the last byte of a fill may be the first half of CR LF.
      if (c == '\r' && (pos_ < buffer_.size() || Fill()) && buffer_[pos_] == '\n') ++pos_;
      break;
    }
    // A line may run on for the rest of a large file: each further chunk is
    // a pass of the loop, so the window stays live and a quit is seen.
    RuntimeBackgroundTask(uint32_t(kChunk));
    if (!Fill()) break;  // the last line has no end
  }
  if (failed_) return "";  // no line cut short by a read error is given
  return TextFromBytes(line);
}

int64_t TextInputStream::Length() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  return static_cast<int64_t>(st.st_size);
}

bool TextInputStream::EndOfFile() const {
  if (eof_ || fd_ < 0) return true;
  if (pos_ < buffer_.size()) return false;
  // Nothing buffered: at the end when the file offset has reached its size.
  struct stat st;
  off_t at = ::lseek(fd_, 0, SEEK_CUR);
  return at < 0 || ::fstat(fd_, &st) != 0 || at >= st.st_size;
}

}  // namespace fw
