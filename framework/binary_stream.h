#pragma once
// Buffered binary writing of one new file from its start, with a settable
// byte order.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fw {

class BinaryStream {
 public:
  // Takes ownership of an open file descriptor.
  explicit BinaryStream(int fd);
  ~BinaryStream();  // flushes and closes
  BinaryStream(const BinaryStream&) = delete;
  BinaryStream& operator=(const BinaryStream&) = delete;

  bool LittleEndian() const { return littleEndian_; }
  void SetLittleEndian(bool value) { littleEndian_ = value; }

  void WriteByte(int value);
  void WriteShort(int value);    // 16 bits, stream byte order
  void WriteLong(int32_t value);  // 32 bits, stream byte order
  // True while every write so far reached the file.
  bool WriteOk() const { return writeOk_; }
  void Close();

 private:
  void WriteBytes(const uint8_t* data, size_t n);
  void Flush();

  int fd_;
  bool littleEndian_ = false;
  bool writeOk_ = true;
  std::vector<uint8_t> pending_;
};

}  // namespace fw
