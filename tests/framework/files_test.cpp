// The file layer: text lines, binary reading, what is no file, pictures.
// Writing, Mac codes and child names are checked through the TIFF writer and
// the numbering of output names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/binary_stream.h"
#include "framework/folder_item.h"
#include "framework/picture.h"
#include "framework/text_input_stream.h"
#include "tests/support/expected_conversion.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::TempDir;

std::string Write(const TempDir& dir, const std::string& name, const std::string& bytes) {
  testsupport::WriteBytes(dir.File(name), bytes);
  return dir.File(name);
}

TEST(Files, ReadLineSplitsAtEveryLineEndAndCutsLongLines) {
  const std::string x(65535, 'x'), y(70000, 'y'), z(131071, 'z');
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  } rows[] = {
      {"mixed ends", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"empty lines", "\n\r\n\r\rx", {"", "", "", "", "x"}},
      {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
      {"Latin-1", "caf\xE9 \xB5m", {"caf\xC3\xA9 \xC2\xB5m"}},
      {"empty file", "", {}},
      {"CR LF across a buffer fill", x + "\r\nnext", {x, "next"}},
      {"long line cut", y + "\nafter\n", {std::string(65536, 'y'), "after"}},
      {"long line, CR LF across a fill", z + "\r\nend", {std::string(65536, 'z'), "end"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    auto s = fw::FolderItem(Write(dir, "t.txt", row.bytes)).OpenAsTextFile();
    ASSERT_TRUE(s);
    std::vector<std::string> got;
    while (!s->EndOfFile() && got.size() < 100) got.push_back(s->ReadLine());
    EXPECT_EQ(got, row.lines);
    EXPECT_EQ(s->ReadLine(), "");
    EXPECT_TRUE(s->EndOfFile());
  }
}

TEST(Files, BinaryReadsAcrossBufferFillsAndPastTheEnd) {
  TempDir dir;
  // 1.5f is 00 00 C0 3F in little-endian order.
  auto small = fw::FolderItem(Write(dir, "s.bin", std::string("\x00\x00\xC0\x3F\xFF", 5))).OpenAsBinaryFile(false);
  ASSERT_TRUE(small);
  small->SetLittleEndian(true);
  EXPECT_EQ(small->ReadSingle(), 1.5);
  EXPECT_FALSE(small->EndOfFile());
  EXPECT_EQ(small->ReadSingle(), 0.0) << "a short read";
  EXPECT_TRUE(small->EndOfFile());
  EXPECT_EQ(small->ReadByte(), 0) << "past the end";

  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7 + (i >> 9)) & 255);
  auto s = fw::FolderItem(Write(dir, "big.bin", bytes)).OpenAsBinaryFile(false);
  ASSERT_TRUE(s);
  s->SetLittleEndian(true);
  std::vector<uint64_t> seeks = {65534, 0, 131070, 65536, 65533, 199996, 3, 131068};
  uint32_t lcg = 12345;
  for (int i = 0; i < 200; ++i) seeks.push_back((lcg = lcg * 1103515245u + 12345u) % 199997u);
  for (uint64_t at : seeks) {
    float expected;
    std::memcpy(&expected, bytes.data() + at, 4);  // the machine is little-endian
    s->SetPosition(at);
    const double v = s->ReadSingle();
    ASSERT_TRUE(v == expected || (v != v && expected != expected)) << "at " << at;
    ASSERT_EQ(s->Position(), at + 4);
  }
  float block[20], expected[20];
  s->SetPosition(65530);  // a block across the end of a buffer fill
  s->ReadSingles(block, 20);
  std::memcpy(expected, bytes.data() + 65530, sizeof expected);
  EXPECT_EQ(std::memcmp(block, expected, sizeof block), 0);
}

TEST(Files, WhatIsNoFileGivesNil) {
  TempDir dir;
  const std::string d = dir.path().string();
  ASSERT_EQ(mkfifo((d + "/fifo").c_str(), 0600), 0);
  for (const std::string& path : {d, d + "/missing", d + "/fifo", std::string()}) {
    fw::FolderItem f(path);
    EXPECT_FALSE(f.OpenAsTextFile()) << path;
    EXPECT_FALSE(f.OpenAsBinaryFile(false)) << path;
  }
}

TEST(Files, PicturesRefuseImpossibleSizes) {
  const struct {
    int w, h, depth;
    bool made;
  } rows[] = {{1, 1, 32, true}, {0, 5, 32, false}, {5, -1, 32, false}, {5, 5, 24, false},
              {2147483647, 2147483647, 32, false}};
  for (auto r : rows) EXPECT_EQ(bool(fw::NewPicture(r.w, r.h, r.depth)), r.made) << r.w << "x" << r.h;
}

}  // namespace
