// Numbering past output names that are taken.
#include "mapconv/file_name_increment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/program_files.h"

namespace {

TEST(FileNameIncrement, TakenNamesAreNumberedFromTwo) {
  const struct {
    const char* name;
    std::vector<std::string> taken;
    std::string wanted, given;
  } rows[] = {
      {"free name kept", {}, "scan01 O1 (2.5µm).png", "scan01 O1 (2.5µm).png"},
      {"taken gets 02", {"scan01 O1 (2.5µm).png"}, "scan01 O1 (2.5µm).png", "scan01 O1 (2.5µm) 02.png"},
      {"02 taken gives 03", {"s.png", "s 02.png"}, "s.png", "s 03.png"},
      {"a gap is filled first", {"a.b.c", "a.b 03.c"}, "a.b.c", "a.b 02.c"},
      {"a name without dot is numbered at its end", {"notes"}, "notes", "notes 02"},
      {"a leading dot is the extension", {".map"}, ".map", " 02.map"},
  };
  for (const auto& row : rows) {
    testsupport::TempDir dir;
    testsupport::TouchFiles(dir, row.taken);
    bool warned = false;
    const auto got = mapconv::FileNameIncrement(fw::FolderItem::FromPath(dir.File(row.wanted)), [&] { warned = true; });
    ASSERT_TRUE(got) << row.name;
    EXPECT_EQ(got->Path(), dir.File(row.given)) << row.name;
    EXPECT_FALSE(warned) << row.name;
  }
  EXPECT_EQ(mapconv::NumberedName({"x", ".png"}, 1000), "x 1000.png");
}

// Past 999 the caller is told once and 1000 is given, taken or not.
TEST(FileNameIncrement, AllNumbersTakenGives1000AndWarnsOnce) {
  testsupport::TempDir dir;
  std::vector<std::string> taken = {"x.png", "x 1000.png"};
  for (int n = 2; n <= 999; ++n) taken.push_back(mapconv::NumberedName({"x", ".png"}, n));
  testsupport::TouchFiles(dir, taken);
  int warnings = 0;
  const auto got = mapconv::FileNameIncrement(fw::FolderItem::FromPath(dir.File("x.png")), [&] { ++warnings; });
  ASSERT_TRUE(got);
  EXPECT_EQ(got->DisplayName(), "x 1000.png");
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(mapconv::FileNameIncrement(nullptr, nullptr), nullptr);
  EXPECT_EQ(mapconv::FileNameIncrement(fw::FolderItem::FromPath("/"), nullptr), nullptr) << "no folder above";
}

}  // namespace
