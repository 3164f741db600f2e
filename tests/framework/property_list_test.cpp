// The stored property lists: every layout of the program reads back whole,
// values survive a round trip, and a list that cannot be right is refused
// without a read past its end.
#include "framework/property_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "addimages/add_images_layout.h"
#include "mapconv/main_layout.h"

namespace {

using fw::DecodePropertyList;
using fw::EncodePropertyList;
using fw::PropertyEntry;
using fw::PropertyListError;
using std::string_literals::operator""s;

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

TEST(PropertyList, ValueFormsRoundTrip) {
  const std::vector<PropertyEntry> entries = {{"Left", int32_t{-2}},
                                              {"Index", int32_t{INT32_MIN}},
                                              {"Visible", true},
                                              {"TextColor", fw::ColorValue{0x12, 0x80, 0xFE}},
                                              {"Text", std::string("a\0b\r\xC2\xB5", 6)},
                                              {"Caption", std::string()}};
  const std::string bytes = EncodePropertyList(entries);
  EXPECT_EQ(bytes.substr(0, 9), "Left \xFF\xFF\xFF\xFE"s);
  EXPECT_EQ(DecodePropertyList(bytes, nullptr), entries);
  EXPECT_TRUE(DecodePropertyList(std::string_view(), nullptr).empty());
  EXPECT_THROW(EncodePropertyList({{"Width", true}}), PropertyListError);
  EXPECT_THROW(EncodePropertyList({{"", int32_t{1}}}), PropertyListError);
}

TEST(PropertyList, MalformedListsAreRefused) {
  const auto isDeclared = [](std::string_view name) {
    const std::vector<std::string_view> declared = {"Width", "Visible", "Title", "BackColor", "Colour"};
    return std::find(declared.begin(), declared.end(), name) != declared.end();
  };
  const struct {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"undeclared name", "Height \x00\x00\x00\x01"s},
      {"declared but of no known type", "Colour \x00\x00\x00\x01"s},
      {"name differs in case", "width \x00\x00\x00\x01"s},
      {"truncated integer", "Width \x00\x00\x01"s},
      {"truncated colour", "BackColor \xFF\xFF"s},
      {"truncated string count", "Title \x00\x00"s},
      {"string count beyond the end", "Title \x00\x00\x00\x0A" "Orvistell"s},
      {"huge string count", "Title \xFF\xFF\xFF\xFF" "abc"s},
      {"Boolean byte 2", "Visible \x02"s},
      {"Boolean missing", "Visible "s},
      {"good entry, then a name without blank", "Visible \x01Width"s},
      {"empty name", " \x00\x00\x00\x01"s},
      {"non-ASCII name", "W\xC3\xAD" "dth \x00\x00\x00\x01"s},
  };
  for (const auto& row : rows) {
    // A buffer of the exact size, so that a read past the end shows under the sanitizers.
    const std::vector<char> exact(row.bytes.begin(), row.bytes.end());
    EXPECT_THROW(DecodePropertyList(std::string_view(exact.data(), exact.size()), isDeclared), PropertyListError)
        << row.name;
  }
}

}  // namespace
