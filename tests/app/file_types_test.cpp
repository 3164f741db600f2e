// The program's file types after start-up: registered once each, and withdrawn
// by any change until they are converted to a String again.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "app/file_types.h"
#include "framework/file_types.h"
#include "framework/recorder.h"
#include "tests/support/gui_harness.h"

using testsupport::ProgramHarness;

namespace {

using Events = std::vector<std::string>;

std::optional<fw::RegisteredFileType> Registered(const std::string& name) {
  const std::vector<fw::RegisteredFileType> types = fw::RegisteredFileTypes();
  auto it = std::find_if(types.begin(), types.end(), [&](const auto& t) { return t.name == name; });
  if (it == types.end()) return std::nullopt;
  return *it;
}

TEST(FileTypesRegistry, ConvertingARegisteredTypeAgainRegistersNothing) {
  ProgramHarness h;
  fw::ClearRecord();
  for (auto* type : {app::FileTypes::pText.get(), app::FileTypes::pSpecialAny.get(), app::FileTypes::pPHI_Image.get()}) {
    ASSERT_NE(type, nullptr);
    EXPECT_TRUE(type->Registered());
    const std::string name = type->Name();
    EXPECT_EQ(type->ToString(), name);
  }
  EXPECT_TRUE(fw::Recorded().empty());
  EXPECT_EQ(fw::RegisteredFileTypes().size(), 3u);
}

TEST(FileTypesRegistry, EachSetterWithdrawsTheTypeUntilItIsConvertedAgain) {
  const struct {
    const char* field;
    std::function<void(fw::FileType&)> change;
    std::string newName;
  } kRows[] = {
      {"Name", [](fw::FileType& t) { t.SetName("SEM image"); }, "SEM image"},
      {"Extensions", [](fw::FileType& t) { t.SetExtensions(".sem"); }, "PHI SEM-MAP Image"},
      {"MacType", [](fw::FileType& t) { t.SetMacType("SEMI"); }, "PHI SEM-MAP Image"},
      {"MacCreator", [](fw::FileType& t) { t.SetMacCreator("PHI!"); }, "PHI SEM-MAP Image"},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.field);
    ProgramHarness h;
    fw::FileType& type = *app::FileTypes::pPHI_Image;
    fw::ClearRecord();
    row.change(type);
    // Withdrawn under the name in effect before the change.
    EXPECT_EQ(fw::Recorded(), Events{"DeregisterFileType PHI SEM-MAP Image"});
    EXPECT_FALSE(type.Registered());
    EXPECT_FALSE(Registered("PHI SEM-MAP Image").has_value());
    row.change(type);  // a second change finds it withdrawn already
    EXPECT_EQ(fw::Recorded().size(), 1u);

    EXPECT_EQ(type.ToString(), row.newName);
    EXPECT_EQ(fw::Recorded().back(), "RegisterFileType " + row.newName);
    const std::optional<fw::RegisteredFileType> now = Registered(row.newName);
    ASSERT_TRUE(now.has_value());
    EXPECT_EQ(now->extensions, type.Extensions());
    EXPECT_EQ(now->type, type.MacType());
    EXPECT_EQ(now->creator, type.MacCreator());
    EXPECT_EQ(fw::RegisteredFileTypes().size(), 3u);
  }
}

}  // namespace
