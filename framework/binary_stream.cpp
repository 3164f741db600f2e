#include "framework/binary_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace fw {

namespace {
constexpr size_t kReadBuffer = 65536;
constexpr size_t kWriteBuffer = 65536;
}  // namespace

BinaryStream::BinaryStream(int fd, bool writable) : fd_(fd), writable_(writable) {}

BinaryStream::~BinaryStream() { Close(); }

void BinaryStream::Close() {
  if (fd_ < 0) return;
  FlushWrites();
  ::close(fd_);
  fd_ = -1;
  bufLen_ = 0;
}

void BinaryStream::SetPosition(uint64_t position) {
  FlushWrites();
  position_ = position;
  eof_ = false;
}

uint64_t BinaryStream::Length() const {
  uint64_t length = 0;
  struct stat st;
  if (fd_ >= 0 && ::fstat(fd_, &st) == 0) length = uint64_t(st.st_size);
  if (!wbuf_.empty()) length = std::max<uint64_t>(length, writeStart_ + wbuf_.size());
  return length;
}

bool BinaryStream::EndOfFile() const { return eof_ || position_ >= Length(); }

void BinaryStream::ReadSingles(float* out, size_t n) {
  size_t i = 0;
  while (i < n) {
    if (position_ >= bufStart_ && position_ + 4 <= bufStart_ + bufLen_) {
      const size_t k = std::min(size_t(bufStart_ + bufLen_ - position_) / 4, n - i);
      const uint8_t* p = buf_.data() + (position_ - bufStart_);
      for (size_t j = 0; j < k; ++j, p += 4) {
        const uint32_t bits =
            littleEndian_ ? (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24)
                          : (uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24);
        std::memcpy(out + i + j, &bits, 4);
      }
      position_ += 4 * k;
      i += k;
    } else {
      out[i++] = static_cast<float>(ReadSingle());  // refills the buffer, or 0 past the end
    }
  }
}

bool BinaryStream::ReadSlow(uint8_t* out, size_t n) {
  FlushWrites();  // a read sees what was written before it
  size_t got = 0;
  while (got < n) {
    uint64_t at = position_ + got;
    if (at >= bufStart_ && at < bufStart_ + bufLen_) {
      size_t k = std::min(n - got, size_t(bufStart_ + bufLen_ - at));
      std::memcpy(out + got, buf_.data() + (at - bufStart_), k);
      got += k;
      continue;
    }
    if (fd_ < 0 || at > uint64_t(INT64_MAX)) break;
    if (buf_.size() < kReadBuffer) buf_.resize(kReadBuffer);
    bufStart_ = at;
    bufLen_ = 0;
    ssize_t r;
    do {
      r = ::pread(fd_, buf_.data(), kReadBuffer, off_t(at));
    } while (r < 0 && errno == EINTR);
    if (r <= 0) break;
    bufLen_ = size_t(r);
  }
  if (got < n) {
    // Past the end: the bytes that were there are used up, the value is 0.
    position_ += got;
    eof_ = true;
    std::memset(out, 0, n);
    return false;
  }
  position_ += n;
  return true;
}

int BinaryStream::ReadByte() {
  uint8_t b;
  if (position_ >= bufStart_ && position_ < bufStart_ + bufLen_) {
    b = buf_[position_ - bufStart_];
    ++position_;
    return b;
  }
  return ReadSlow(&b, 1) ? b : 0;
}

void BinaryStream::WriteBytes(const uint8_t* data, size_t n) {
  if (!writable_ || fd_ < 0) {
    writeOk_ = false;
    return;
  }
  if (!wbuf_.empty() && position_ != writeStart_ + wbuf_.size()) FlushWrites();
  if (wbuf_.empty()) writeStart_ = position_;
  // Buffered bytes that this write covers would be stale.
  if (bufLen_ != 0 && position_ < bufStart_ + bufLen_ && position_ + n > bufStart_) bufLen_ = 0;
  wbuf_.insert(wbuf_.end(), data, data + n);
  position_ += n;
  if (wbuf_.size() >= kWriteBuffer) FlushWrites();
}

void BinaryStream::FlushWrites() {
  size_t done = 0;
  while (done < wbuf_.size()) {
    ssize_t w = ::pwrite(fd_, wbuf_.data() + done, wbuf_.size() - done, off_t(writeStart_ + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      writeOk_ = false;
      break;
    }
    done += size_t(w);
  }
  wbuf_.clear();
}

void BinaryStream::WriteByte(int value) {
  uint8_t b = uint8_t(value);
  WriteBytes(&b, 1);
}

void BinaryStream::WriteShort(int value) {
  uint16_t v = uint16_t(value);
  uint8_t b[2];
  if (littleEndian_) {
    b[0] = uint8_t(v);
    b[1] = uint8_t(v >> 8);
  } else {
    b[0] = uint8_t(v >> 8);
    b[1] = uint8_t(v);
  }
  WriteBytes(b, 2);
}

void BinaryStream::WriteLong(int32_t value) {
  uint32_t v = uint32_t(value);
  uint8_t b[4];
  for (int i = 0; i < 4; ++i) {
    int shift = littleEndian_ ? 8 * i : 8 * (3 - i);
    b[i] = uint8_t(v >> shift);
  }
  WriteBytes(b, 4);
}

}  // namespace fw
