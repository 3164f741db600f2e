// Numbering past output names that are taken.
#include "mapconv/file_name_increment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/program_files.h"

namespace {

// Past 999 the caller is told once and 1000 is given, taken or not.
TEST(FileNameIncrement, TakenNamesAreNumberedFromTwoUpTo1000) {
  std::vector<std::string> allTaken = {"x.png", "x 1000.png"};
  for (int n = 2; n <= 999; ++n) allTaken.push_back((n < 10 ? "x 0" : "x ") + std::to_string(n) + ".png");
  const struct {
    const char* name;
    std::vector<std::string> taken;
    std::string wanted, given;
    int warnings = 0;
  } rows[] = {
      {"free name kept", {}, "scan01 O1 (2.5µm).png", "scan01 O1 (2.5µm).png"},
      {"taken gets 02", {"scan01 O1 (2.5µm).png"}, "scan01 O1 (2.5µm).png", "scan01 O1 (2.5µm) 02.png"},
      {"02 taken gives 03", {"s.png", "s 02.png"}, "s.png", "s 03.png"},
      {"a gap is filled first", {"a.b.c", "a.b 03.c"}, "a.b.c", "a.b 02.c"},
      {"a name without dot is numbered at its end", {"notes"}, "notes", "notes 02"},
      {"a leading dot is the extension", {".map"}, ".map", " 02.map"},
      {"every number taken", allTaken, "x.png", "x 1000.png", 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testsupport::TempDir dir;
    testsupport::TouchFiles(dir, row.taken);
    int warnings = 0;
    const auto got = mapconv::FileNameIncrement(fw::FolderItem::FromPath(dir.File(row.wanted)), [&] { ++warnings; });
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Path(), dir.File(row.given));
    EXPECT_EQ(warnings, row.warnings);
  }
  EXPECT_EQ(mapconv::FileNameIncrement(nullptr, nullptr), nullptr);
  EXPECT_EQ(mapconv::FileNameIncrement(fw::FolderItem::FromPath("/"), nullptr), nullptr) << "no folder above";
}

}  // namespace
