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

size_t CountRegistered(const std::string& name) {
  size_t n = 0;
  for (const fw::RegisteredFileType& t : fw::RegisteredFileTypes()) n += t.name == name;
  return n;
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
      EXPECT_EQ(CountRegistered("PHI SEM-MAP Image"), 0u);
    }
    EXPECT_EQ(type.ToString(), row.newName);
    EXPECT_EQ(type.ToString(), row.newName);  // converting a registered type registers nothing
    EXPECT_EQ(fw::Recorded().size(), row.change ? 2u : 0u);
    EXPECT_EQ(CountRegistered(row.newName), 1u);
    for (const fw::RegisteredFileType& t : fw::RegisteredFileTypes())
      if (t.name == row.newName)
        EXPECT_EQ(t.extensions + t.type + t.creator, type.Extensions() + type.MacType() + type.MacCreator());
    EXPECT_EQ(fw::RegisteredFileTypes().size(), 3u);
  }
}

}  // namespace
