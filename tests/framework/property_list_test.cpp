// The stored property lists: every layout of the program reads back whole.
#include "framework/property_list.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "addimages/add_images_layout.h"
#include "mapconv/main_layout.h"

namespace {

using fw::DecodePropertyList;
using fw::EncodePropertyList;
using fw::PropertyEntry;

// The values a user meets in the windows are checked by the window tests;
// here every stored list must decode whole and encode to the same bytes.
TEST(PropertyList, EveryStoredLayoutRoundTrips) {
  const struct {
    const char* name;
    std::string_view bytes;
  } rows[] = {
      {"main window", mapconv::kMainWindowProperties},   {"PushButton1", mapconv::kPushButton1Properties},
      {"LBraw", mapconv::kLBrawProperties},              {"LBresults", mapconv::kLBresultsProperties},
      {"STfilename", mapconv::kSTfilenameProperties},    {"CB_autosave", mapconv::kCB_autosaveProperties},
      {"Add Images window", addimages::kAddImagesWindowProperties}, {"ST", addimages::kSTProperties},
  };
  for (const auto& row : rows) {
    const std::vector<PropertyEntry> entries = DecodePropertyList(row.bytes, nullptr);
    EXPECT_EQ(EncodePropertyList(entries), row.bytes) << row.name;
  }
}

}  // namespace
