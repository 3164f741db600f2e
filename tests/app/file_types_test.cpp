// The program's file types after start-up: registered once each, and withdrawn
// by any change until they are converted to a String again.
#include <gtest/gtest.h>

#include <functional>

#include "app/file_types.h"
#include "framework/file_types.h"
#include "framework/recorder.h"
#include "tests/support/gui_harness.h"

using testsupport::ProgramHarness;

namespace {

// The registered file types of this name, as "extensions|type|creator" each.
std::vector<std::string> Registered(const std::string& name) {
  std::vector<std::string> found;
  for (const fw::RegisteredFileType& t : fw::RegisteredFileTypes())
    if (t.name == name) found.push_back(t.extensions + "|" + t.type + "|" + t.creator);
  return found;
}

TEST(FileTypes, AChangeWithdrawsTheTypeUntilItIsConvertedAgain) {
  const struct {
    const char* field;
    std::function<void(fw::FileType&)> change;
    std::string newName;
  } rows[] = {
      {"none", nullptr, "PHI SEM-MAP Image"},
      {"Name", [](fw::FileType& t) { t.SetName("SEM image"); }, "SEM image"},
      {"Extensions", [](fw::FileType& t) { t.SetExtensions(".sem"); }, "PHI SEM-MAP Image"},
      {"MacType", [](fw::FileType& t) { t.SetMacType("SEMI"); }, "PHI SEM-MAP Image"},
      {"MacCreator", [](fw::FileType& t) { t.SetMacCreator("PHI!"); }, "PHI SEM-MAP Image"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.field);
    ProgramHarness h;
    fw::FileType& type = *app::FileTypes::pPHI_Image;
    fw::ClearRecord();
    if (row.change) {
      row.change(type);
      row.change(type);  // a second change finds it withdrawn already
      EXPECT_EQ(fw::Recorded(), std::vector<std::string>{"DeregisterFileType PHI SEM-MAP Image"});
      EXPECT_TRUE(Registered("PHI SEM-MAP Image").empty());
    }
    EXPECT_EQ(type.ToString(), row.newName);
    EXPECT_EQ(type.ToString(), row.newName);  // converting a registered type registers nothing
    EXPECT_EQ(Registered(row.newName),
              std::vector<std::string>{type.Extensions() + "|" + type.MacType() + "|" + type.MacCreator()});
    EXPECT_EQ(fw::RegisteredFileTypes().size(), 3u);
  }
}

}  // namespace
