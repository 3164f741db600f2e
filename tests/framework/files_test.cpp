// The file layer: folder items, text lines, binary streams, pictures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/binary_stream.h"
#include "framework/folder_item.h"
#include "framework/picture.h"
#include "framework/text_input_stream.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class FilesTest : public testing::Test {
 protected:

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  testsupport::TempDir tmp_;
  std::string dir_ = tmp_.path().string();
};

// ---- ReadLine ----

struct LineCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class FilesReadLine : public FilesTest, public testing::WithParamInterface<LineCase> {};

TEST_P(FilesReadLine, SplitsAndDecodes) {
  auto s = fw::FolderItem(Write("t.txt", GetParam().bytes)).OpenAsTextFile();
  ASSERT_TRUE(s);
  std::vector<std::string> got;
  while (!s->EndOfFile() && got.size() < 100) got.push_back(s->ReadLine());
  EXPECT_EQ(got, GetParam().lines);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(s->ReadLine(), "");
    EXPECT_TRUE(s->EndOfFile());
  }
}

const std::string kX(65535, 'x');
const std::string kY(70000, 'y');
const std::string kZ(131071, 'z');

INSTANTIATE_TEST_SUITE_P(
    Files, FilesReadLine,
    testing::Values(LineCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                    LineCase{"Lf", "a\nb", {"a", "b"}},
                    LineCase{"Cr", "a\rb\r", {"a", "b"}},
                    LineCase{"Mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                    LineCase{"EmptyLines", "\n\r\n\r\rx", {"", "", "", "", "x"}},
                    LineCase{"LfCrIsTwoEnds", "a\n\rb", {"a", "", "b"}},
                    LineCase{"Latin1", "caf\xE9 \xB5m", {"caf\xC3\xA9 \xC2\xB5m"}},
                    LineCase{"Utf8", "caf\xC3\xA9", {"caf\xC3\xA9"}},
                    LineCase{"EmptyFile", "", {}},
                    LineCase{"CrLfAcrossFill", kX + "\r\nnext", {kX, "next"}},
                    LineCase{"LongLineCut", kY + "\nafter\n", {std::string(65536, 'y'), "after"}},
                    LineCase{"LongLineCrLfAcrossFill", kZ + "\r\nend", {std::string(65536, 'z'), "end"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- BinaryStream ----

TEST_F(FilesTest, SinglesInBothByteOrders) {
  // 1.5f is 0x3FC00000; -2.25f is 0xC0100000.
  auto f = fw::FolderItem(Write("s.bin", std::string("\x3F\xC0\x00\x00\x00\x00\x10\xC0", 8)));
  auto s = f.OpenAsBinaryFile(false);
  ASSERT_TRUE(s);
  EXPECT_FALSE(s->LittleEndian());
  EXPECT_EQ(s->ReadSingle(), 1.5);
  s->SetLittleEndian(true);
  EXPECT_EQ(s->ReadSingle(), -2.25);
  EXPECT_EQ(s->Position(), 8u);
  EXPECT_TRUE(s->EndOfFile());
}

TEST_F(FilesTest, ReadsPastTheEndGiveZero) {
  auto s = fw::FolderItem(Write("e.bin", "\x01\x02\x03\x04\x05\x06")).OpenAsBinaryFile(false);
  ASSERT_TRUE(s);
  struct {
    uint64_t at;
    bool single;
  } rows[] = {{4, true}, {6, true}, {100, true}, {6, false}, {1u << 20, false}};
  for (auto r : rows) {
    s->SetPosition(r.at);
    EXPECT_FALSE(s->EndOfFile() && r.at < 6);
    EXPECT_EQ(r.single ? s->ReadSingle() : double(s->ReadByte()), 0.0) << r.at;
    EXPECT_TRUE(s->EndOfFile()) << r.at;
  }
  s->SetPosition(5);
  EXPECT_FALSE(s->EndOfFile());
  EXPECT_EQ(s->ReadByte(), 6);
}

TEST_F(FilesTest, ReadByteCoversAllValues) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += char(i);
  auto s = fw::FolderItem(Write("b.bin", all)).OpenAsBinaryFile(false);
  ASSERT_TRUE(s);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(s->ReadByte(), i);
}

TEST_F(FilesTest, BufferedReadsAcrossFillsAndSeeks) {
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7 + (i >> 9)) & 255);
  auto s = fw::FolderItem(Write("big.bin", bytes)).OpenAsBinaryFile(false);
  ASSERT_TRUE(s);
  s->SetLittleEndian(true);
  auto expected = [&](uint64_t at) {
    uint32_t bits = 0;
    for (int k = 3; k >= 0; --k) bits = bits << 8 | uint8_t(bytes[at + k]);
    float f;
    std::memcpy(&f, &bits, 4);
    return double(f);
  };
  std::vector<uint64_t> seeks = {65534, 0, 131070, 65536, 65533, 199996, 3, 131068};
  uint32_t lcg = 12345;
  for (int i = 0; i < 200; ++i) seeks.push_back((lcg = lcg * 1103515245u + 12345u) % 199997u);
  for (uint64_t at : seeks) {
    s->SetPosition(at);
    double v = s->ReadSingle();
    ASSERT_TRUE(v == expected(at) || (v != v && expected(at) != expected(at))) << "at " << at;
    ASSERT_EQ(s->Position(), at + 4);
  }
  s->SetPosition(65530);  // sequential reads over the first fill's end
  for (uint64_t at = 65530; at < 65550; ++at) ASSERT_EQ(s->ReadByte(), uint8_t(bytes[at])) << at;
}

TEST_F(FilesTest, WritesInTheStreamByteOrder) {
  fw::FolderItem f(dir_ + "/w.bin");
  {
    auto s = f.CreateBinaryFile("any");
    ASSERT_TRUE(s);
    s->WriteShort(0x1234);
    s->WriteLong(0x01020304);
    s->SetLittleEndian(true);
    s->WriteShort(0xABCD);
    s->WriteLong(-2);
    s->WriteByte(0x1FF);  // only the low byte
    EXPECT_EQ(s->Length(), 13u);
    EXPECT_TRUE(s->WriteOk());
  }  // the destructor flushes
  EXPECT_EQ(Slurp(f.Path()), std::string("\x12\x34\x01\x02\x03\x04\xCD\xAB\xFE\xFF\xFF\xFF\xFF", 13));
}

TEST_F(FilesTest, ReadsSeeWritesOfTheSameStream) {
  fw::FolderItem f(Write("rw.bin", std::string(70000, 'a')));
  auto s = f.OpenAsBinaryFile(true);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->ReadByte(), 'a');  // fills the read buffer
  s->SetPosition(10);
  s->WriteByte('b');
  s->WriteByte('c');
  s->SetPosition(10);
  EXPECT_EQ(s->ReadByte(), 'b');
  EXPECT_EQ(s->ReadByte(), 'c');
  s->SetPosition(70000);
  s->WriteLong(0x41424344);
  EXPECT_EQ(s->Length(), 70004u);
  s->SetPosition(69999);
  EXPECT_EQ(s->ReadByte(), 'a');
  EXPECT_EQ(s->ReadByte(), 'A');
  s->Close();
  EXPECT_EQ(f.Length(), 70004);
}

TEST_F(FilesTest, WritesToAReadOnlyStreamFail) {
  auto s = fw::FolderItem(Write("ro.bin", "x")).OpenAsBinaryFile(false);
  ASSERT_TRUE(s);
  s->WriteByte(1);
  EXPECT_FALSE(s->WriteOk());
}

// ---- FolderItem ----

TEST_F(FilesTest, OpeningWhatIsNoFileGivesNil) {
  ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
  for (const std::string& path : {dir_, dir_ + "/missing", dir_ + "/fifo", std::string()}) {
    fw::FolderItem f(path);
    EXPECT_FALSE(f.OpenAsTextFile()) << path;
    EXPECT_FALSE(f.OpenAsBinaryFile(false)) << path;
    EXPECT_FALSE(f.OpenAsBinaryFile(true)) << path;
    EXPECT_EQ(f.Length(), 0) << path;
  }
  EXPECT_FALSE(fw::FolderItem(dir_).CreateBinaryFile("x"));
  EXPECT_FALSE(fw::FolderItem(dir_ + "/missing/f").CreateBinaryFile("x"));
}

TEST_F(FilesTest, CreateTruncates) {
  fw::FolderItem f(Write("t.bin", "old contents"));
  EXPECT_EQ(f.Length(), 12);
  ASSERT_TRUE(f.CreateBinaryFile("x"));
  EXPECT_EQ(f.Length(), 0);
  EXPECT_TRUE(f.Exists());
  EXPECT_FALSE(f.IsFolder());
}

TEST_F(FilesTest, ChildNamesAndParents) {
  Write("file", "x");
  auto folder = fw::FolderItem::FromPath(dir_);
  struct {
    std::string name;
    bool given;
  } rows[] = {{"a.map", true}, {"file", true}, {"", false}, {".", false},     {"..", false},
              {"a/b", false},  {"/", false},   {std::string("a\0b", 3), false}, {".hidden", true}};
  for (const auto& r : rows) {
    auto child = folder->Child(r.name);
    EXPECT_EQ(bool(child), r.given) << r.name;
    if (child) {
      EXPECT_EQ(child->Path(), dir_ + "/" + r.name);
    }
  }
  EXPECT_FALSE(fw::FolderItem(dir_ + "/file").Child("x")) << "a file has no children";
  EXPECT_FALSE(fw::FolderItem(dir_ + "/missing").Child("x"));
  EXPECT_EQ(fw::FolderItem("/").Child("tmp")->Path(), "/tmp");

  EXPECT_FALSE(fw::FolderItem("/").Parent());
  EXPECT_EQ(fw::FolderItem("/a").Parent()->Path(), "/");
  EXPECT_EQ(fw::FolderItem("/a/b.map").Parent()->Path(), "/a");
  EXPECT_EQ(fw::FolderItem("/a//b/").Parent()->Path(), "/a");
  EXPECT_EQ(fw::FolderItem("/a/b.map").DisplayName(), "b.map");
  EXPECT_EQ(fw::FolderItem("/a/dir/").DisplayName(), "dir");
  EXPECT_EQ(fw::FolderItem("x.sem").DisplayName(), "x.sem");
}

TEST_F(FilesTest, MacCodesRoundTripWhereSupported) {
  fw::FolderItem f(Write("m.png", "x"));
  EXPECT_EQ(f.MacType(), "");
  EXPECT_EQ(f.MacCreator(), "");
  if (setxattr(f.Path().c_str(), "user.probe", "1", 1, 0) != 0) GTEST_SKIP() << "no user attributes here";
  f.SetMacCreator("GKON");
  f.SetMacType("PNGf");
  EXPECT_EQ(f.MacCreator(), "GKON");
  EXPECT_EQ(f.MacType(), "PNGf");
  fw::FolderItem(dir_ + "/missing").SetMacType("TEXT");  // nothing to set it on: no effect
  EXPECT_FALSE(fw::FolderItem(dir_ + "/missing").Exists());
}

// ---- Picture ----

TEST(FilesPicture, RefusedSizes) {
  struct {
    int w, h, depth;
    bool made;
  } rows[] = {{1, 1, 32, true},       {0, 5, 32, false},        {5, -1, 32, false},
              {5, 5, 24, false},      {65535, 65535, 0, false}, {2147483647, 2147483647, 32, false},
              {300, 200, 32, true}};
  for (auto r : rows) EXPECT_EQ(bool(fw::NewPicture(r.w, r.h, r.depth)), r.made) << r.w << "x" << r.h;
}

TEST(FilesPicture, PixelsAndResolution) {
  auto p = fw::NewPicture(3, 2, 32);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->HorizontalResolution(), 72);
  EXPECT_EQ(p->VerticalResolution(), 72);
  EXPECT_EQ(p->Pixel(2, 1), 0u);
  p->Surface()->SetPixel(2, 1, 0xFF123456);
  EXPECT_EQ(p->Surface()->Pixel(2, 1), 0x123456u);
  p->SetPixel(3, 0, 1);  // outside: ignored
  EXPECT_EQ(p->Pixel(3, 0), 0u);
}

}  // namespace
