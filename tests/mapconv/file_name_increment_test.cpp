#include "mapconv/file_name_increment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "framework/yield.h"

namespace {

namespace fs = std::filesystem;
using mapconv::NameParts;

struct SplitCase {
  const char* name;
  std::string input, stem, extension;
};

class IncrementSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(IncrementSplit, AtLastDot) {
  const auto& c = GetParam();
  const NameParts parts = mapconv::SplitAtLastDot(c.input);
  EXPECT_EQ(parts.stem, c.stem);
  EXPECT_EQ(parts.extension, c.extension);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IncrementSplit,
    testing::Values(SplitCase{"LastDotOnly", "a.b.c", "a.b", ".c"},
                    SplitCase{"NoDot", "notes", "notes", ""},
                    SplitCase{"OutputName", "scan01 O1 (2.5µm).png", "scan01 O1 (2.5µm)", ".png"},
                    SplitCase{"LeadingDot", ".map", "", ".map"},
                    SplitCase{"TrailingDot", "name.", "name", "."},
                    SplitCase{"Empty", "", "", ""}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(IncrementNumberedName, TwoDigitsAtLeast) {
  const NameParts parts{"scan01 O1 (2.5µm)", ".png"};
  EXPECT_EQ(mapconv::NumberedName(parts, 2), "scan01 O1 (2.5µm) 02.png");
  EXPECT_EQ(mapconv::NumberedName(parts, 10), "scan01 O1 (2.5µm) 10.png");
  EXPECT_EQ(mapconv::NumberedName(parts, 999), "scan01 O1 (2.5µm) 999.png");
  EXPECT_EQ(mapconv::NumberedName(parts, 1000), "scan01 O1 (2.5µm) 1000.png");
  EXPECT_EQ(mapconv::NumberedName({"notes", ""}, 2), "notes 02");
}

class IncrementFolder : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orv_increment_" + std::to_string(::getpid()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Touch(const std::string& name) { std::ofstream(dir_ / name) << "x"; }
  fw::FolderItemRef Item(const std::string& name) { return fw::FolderItem::FromPath((dir_ / name).string()); }
  static std::string NameOf(const fw::FolderItemRef& f) { return f ? f->DisplayName() : "<nil>"; }

  fs::path dir_;
  int calls_ = 0;
  std::function<void()> count_ = [this] { ++calls_; };
};

TEST_F(IncrementFolder, FreeNameIsKept) {
  const auto f = Item("scan01 O1 (2.5µm).png");
  EXPECT_EQ(mapconv::FileNameIncrement(f, count_), f);
  EXPECT_EQ(calls_, 0);
}

TEST_F(IncrementFolder, TakenNameGets02) {
  Touch("scan01 O1 (2.5µm).png");
  EXPECT_EQ(NameOf(mapconv::FileNameIncrement(Item("scan01 O1 (2.5µm).png"), count_)),
            "scan01 O1 (2.5µm) 02.png");
}

TEST_F(IncrementFolder, UnnumberedAnd02TakenGives03) {
  Touch("scan01 O1 (2.5µm).png");
  Touch("scan01 O1 (2.5µm) 02.png");
  const auto got = mapconv::FileNameIncrement(Item("scan01 O1 (2.5µm).png"), count_);
  EXPECT_EQ(NameOf(got), "scan01 O1 (2.5µm) 03.png");
  EXPECT_EQ(got->Parent()->Path(), dir_.string());
}

TEST_F(IncrementFolder, GapIsFilledFirst) {
  Touch("a.b.c");
  Touch("a.b 03.c");
  EXPECT_EQ(NameOf(mapconv::FileNameIncrement(Item("a.b.c"), count_)), "a.b 02.c");
}

TEST_F(IncrementFolder, NameWithoutDotNumberedAtItsEnd) {
  Touch("notes");
  EXPECT_EQ(NameOf(mapconv::FileNameIncrement(Item("notes"), count_)), "notes 02");
}

TEST_F(IncrementFolder, AllNumbersTakenGives1000AfterOneCall) {
  Touch("x.png");
  for (int n = 2; n <= 999; ++n) Touch(mapconv::NumberedName({"x", ".png"}, n));
  Touch("x 1000.png");  // taken as well: given without a test
  EXPECT_EQ(NameOf(mapconv::FileNameIncrement(Item("x.png"), count_)), "x 1000.png");
  EXPECT_EQ(calls_, 1);
}

TEST_F(IncrementFolder, YieldsPerCharacterPassedAndPerTakenName) {
  Touch("x.png");
  Touch("x 02.png");
  int yields = 0;
  fw::SetYieldHook([&yields] { ++yields; });
  const auto got = mapconv::FileNameIncrement(Item("x.png"), count_);
  fw::SetYieldHook(nullptr);
  EXPECT_EQ(NameOf(got), "x 03.png");
  EXPECT_EQ(yields, 3 + 1);  // "g", "n", "p"; then 02 taken
}

TEST(IncrementUnreachable, NilOrNoFolderStops) {
  EXPECT_EQ(mapconv::FileNameIncrement(nullptr, nullptr), nullptr);
  // The root exists and has no folder above it to number in.
  EXPECT_EQ(mapconv::FileNameIncrement(fw::FolderItem::FromPath("/"), nullptr), nullptr);
}

}  // namespace
