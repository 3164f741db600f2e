#pragma once
// Buffered binary reading and writing of one file, with a settable byte order.
#include <cstdint>
#include <cstring>
#include <vector>

namespace fw {

class BinaryStream {
 public:
  // Takes ownership of an open file descriptor.
  BinaryStream(int fd, bool writable);
  ~BinaryStream();  // flushes and closes
  BinaryStream(const BinaryStream&) = delete;
  BinaryStream& operator=(const BinaryStream&) = delete;

  bool LittleEndian() const { return littleEndian_; }
  void SetLittleEndian(bool value) { littleEndian_ = value; }

  uint64_t Position() const { return position_; }
  void SetPosition(uint64_t position);
  uint64_t Length() const;
  bool EndOfFile() const;

  // IEEE binary32 in the stream's byte order, widened to double. Reading past
  // the end gives 0 and leaves EndOfFile() true.
  double ReadSingle() {
    uint8_t b[4];
    if (position_ >= bufStart_ && position_ + 4 <= bufStart_ + bufLen_) {
      std::memcpy(b, buf_.data() + (position_ - bufStart_), 4);
      position_ += 4;
    } else if (!ReadSlow(b, 4)) {
      return 0.0;
    }
    uint32_t bits = littleEndian_
        ? (uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24)
        : (uint32_t(b[3]) | uint32_t(b[2]) << 8 | uint32_t(b[1]) << 16 | uint32_t(b[0]) << 24);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  // n singles at once, narrowed back to float (which loses nothing); the same
  // values and end-of-file behaviour as n calls of ReadSingle.
  void ReadSingles(float* out, size_t n);
  // One byte, 0 ... 255; 0 past the end.
  int ReadByte();

  void WriteByte(int value);
  void WriteShort(int value);    // 16 bits, stream byte order
  void WriteLong(int32_t value);  // 32 bits, stream byte order
  // True while every write so far reached the file.
  bool WriteOk() const { return writeOk_; }
  void Close();

 private:
  bool ReadSlow(uint8_t* out, size_t n);
  void WriteBytes(const uint8_t* data, size_t n);
  void FlushWrites();

  int fd_;
  bool writable_;
  bool littleEndian_ = false;
  bool writeOk_ = true;
  bool eof_ = false;
  uint64_t position_ = 0;
  // Read buffer: bytes [bufStart_, bufStart_ + bufLen_) of the file.
  std::vector<uint8_t> buf_;
  uint64_t bufStart_ = 0;
  size_t bufLen_ = 0;
  // Pending writes, starting at file offset writeStart_.
  std::vector<uint8_t> wbuf_;
  uint64_t writeStart_ = 0;
};

}  // namespace fw
