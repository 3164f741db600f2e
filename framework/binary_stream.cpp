#include "framework/binary_stream.h"

#include <unistd.h>

#include <cerrno>

namespace fw {

namespace {
constexpr size_t kWriteBuffer = 65536;
}  // namespace

BinaryStream::BinaryStream(int fd) : fd_(fd) {}

BinaryStream::~BinaryStream() { Close(); }

void BinaryStream::Close() {
  if (fd_ < 0) return;
  Flush();
  if (::close(fd_) != 0) writeOk_ = false;
  fd_ = -1;
}

void BinaryStream::WriteBytes(const uint8_t* data, size_t n) {
  if (fd_ < 0) {
    writeOk_ = false;
    return;
  }
  pending_.insert(pending_.end(), data, data + n);
  if (pending_.size() >= kWriteBuffer) Flush();
}

void BinaryStream::Flush() {
  size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t w = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      writeOk_ = false;
      break;
    }
    done += size_t(w);
  }
  pending_.clear();
}

void BinaryStream::WriteByte(int value) {
  const uint8_t b = uint8_t(value);
  WriteBytes(&b, 1);
}

void BinaryStream::WriteShort(int value) {
  const auto v = uint16_t(value);
  const uint8_t b[2] = {uint8_t(littleEndian_ ? v : v >> 8), uint8_t(littleEndian_ ? v >> 8 : v)};
  WriteBytes(b, 2);
}

void BinaryStream::WriteLong(int32_t value) {
  const auto v = uint32_t(value);
  uint8_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = uint8_t(v >> (littleEndian_ ? 8 * i : 8 * (3 - i)));
  WriteBytes(b, 4);
}

}  // namespace fw
