#include "framework/property_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "addimages/add_images_layout.h"
#include "mapconv/main_layout.h"

namespace {

using fw::ColorValue;
using fw::DecodePropertyList;
using fw::EncodePropertyList;
using fw::PropertyEntry;
using fw::PropertyListError;
using fw::PropertyValue;
using Names = std::vector<std::string>;

const Names kWindowOrder = {"Placement",      "Width",          "Height",       "MinWidth",   "MinHeight",
                            "MaxWidth",       "MaxHeight",      "Frame",        "Composite",  "HasBackColor",
                            "BackColor",      "Title",          "Visible",      "FullScreen", "MenuBarVisible",
                            "CloseButton",    "Resizeable",     "LiveResize",   "MaximizeButton",
                            "MinimizeButton", "BalloonHelp",    "MacProcID"};
const Names kPushButtonOrder = {"Name",          "Index",    "Left",     "Top",       "Width",      "Height",
                                "LockLeft",      "LockTop",  "LockRight", "LockBottom", "TabPanelIndex",
                                "TabIndex",      "Caption",  "Default",  "Cancel",    "Enabled",    "Visible",
                                "HelpTag",       "AutoDeactivate",      "TextFont",  "TextSize",   "Bold",
                                "Italic",        "Underline", "InitialParent"};
const Names kListboxOrder = {"Name",         "Index",         "Left",              "Top",
                             "Width",        "Height",        "LockLeft",          "LockTop",
                             "LockRight",    "LockBottom",    "TabPanelIndex",     "TabIndex",
                             "Visible",      "HelpTag",       "AutoDeactivate",    "Enabled",
                             "ColumnCount",  "ColumnWidths",  "HasHeading",        "UseFocusRing",
                             "InitialValue", "HeadingIndex",  "ScrollbarHorizontal", "ScrollBarVertical",
                             "GridLinesHorizontal", "GridLinesVertical", "DefaultRowHeight", "_ScrollWidth",
                             "_ScrollOffset", "TextFont",     "TextSize",          "Bold",
                             "Italic",       "Underline",     "Hierarchical",      "EnableDrag",
                             "EnableDragReorder", "RequiresSelection", "SelectionType", "ColumnsResizable",
                             "AutoHideScrollbars", "DataSource", "DataField",      "InitialParent"};
const Names kStaticTextOrder = {"Name",       "Index",     "Left",        "Top",         "Width",     "Height",
                                "LockLeft",   "LockTop",   "LockRight",   "LockBottom",  "TabPanelIndex",
                                "TabIndex",   "Text",      "TextAlign",   "TextColor",   "Multiline", "Enabled",
                                "Visible",    "HelpTag",   "AutoDeactivate", "TextFont", "TextSize",  "Bold",
                                "Italic",     "Underline", "DataSource",  "DataField",   "InitialParent"};
const Names kCheckBoxOrder = {"Name",       "Index",    "Left",      "Top",        "Width",         "Height",
                              "LockLeft",   "LockTop",  "LockRight", "LockBottom", "TabPanelIndex", "TabIndex",
                              "Caption",    "Enabled",  "Visible",   "HelpTag",    "AutoDeactivate", "TextFont",
                              "TextSize",   "Bold",     "Italic",    "Underline",  "Value",         "DataSource",
                              "DataField",  "InitialParent"};

std::function<bool(std::string_view)> DeclaredBy(const Names& order) {
  return [&order](std::string_view name) { return std::find(order.begin(), order.end(), name) != order.end(); };
}

// A decoded list by name (every name appears once in a stored list).
std::map<std::string, PropertyValue> ByName(const std::vector<PropertyEntry>& entries) {
  std::map<std::string, PropertyValue> byName;
  for (const PropertyEntry& e : entries) byName.emplace(e.name, e.value);
  return byName;
}

Names NamesOf(const std::vector<PropertyEntry>& entries) {
  Names names;
  for (const PropertyEntry& e : entries) names.push_back(e.name);
  return names;
}

std::vector<std::string> SplitOnCR(const std::string& text) {
  std::vector<std::string> rows(1);
  for (char c : text) {
    if (c == '\r') rows.emplace_back();
    else rows.back() += c;
  }
  return rows;
}

PropertyValue Str(const char* s) { return std::string(s); }

struct StoredList {
  const char* label;
  std::string_view bytes;
  const Names* order;
  size_t length;
  std::map<std::string, PropertyValue> expected;  // a selection of the entries
};

class PropertyListStored : public testing::TestWithParam<StoredList> {};

TEST_P(PropertyListStored, HasItsLengthEntryOrderAndValues) {
  const StoredList& list = GetParam();
  EXPECT_EQ(list.bytes.size(), list.length);
  std::vector<PropertyEntry> entries = DecodePropertyList(list.bytes, DeclaredBy(*list.order));
  EXPECT_EQ(NamesOf(entries), *list.order);
  auto byName = ByName(entries);
  for (const auto& [name, value] : list.expected) {
    ASSERT_TRUE(byName.count(name)) << name;
    EXPECT_EQ(byName.at(name), value) << name;
  }
  EXPECT_EQ(EncodePropertyList(entries), list.bytes);
}

const PropertyValue kLowestIndex = int32_t{INT32_MIN};

std::map<std::string, PropertyValue> ControlValues(const char* name, int left, int top, int width, int height,
                                                   bool lockLeft, bool lockTop, bool lockRight, bool lockBottom,
                                                   int tabIndex, std::map<std::string, PropertyValue> more) {
  more.insert({{"Name", Str(name)}, {"Index", kLowestIndex}, {"Left", left}, {"Top", top}, {"Width", width},
               {"Height", height}, {"LockLeft", lockLeft}, {"LockTop", lockTop}, {"LockRight", lockRight},
               {"LockBottom", lockBottom}, {"TabPanelIndex", 0}, {"TabIndex", tabIndex}, {"Enabled", true},
               {"Visible", true}, {"HelpTag", Str("")}, {"AutoDeactivate", true}, {"TextFont", Str("System")},
               {"Bold", false}, {"Italic", false}, {"Underline", false}, {"InitialParent", Str("")}});
  return more;
}

const std::map<std::string, PropertyValue> kListboxShared = {
    {"TextSize", 12},           {"ColumnCount", 1},        {"ColumnWidths", Str("")},
    {"HasHeading", false},      {"HeadingIndex", -1},      {"ScrollbarHorizontal", false},
    {"ScrollBarVertical", true}, {"DefaultRowHeight", -1}, {"_ScrollWidth", -1},
    {"SelectionType", 0},       {"AutoHideScrollbars", true}, {"DataSource", Str("")},
    {"DataField", Str("")}};

std::map<std::string, PropertyValue> With(std::map<std::string, PropertyValue> base,
                                          const std::map<std::string, PropertyValue>& more) {
  base.insert(more.begin(), more.end());
  return base;
}

INSTANTIATE_TEST_SUITE_P(
    PropertyListLayouts, PropertyListStored,
    testing::Values(
        StoredList{"MainWindow", mapconv::kMainWindowProperties, &kWindowOrder, 293,
                   {{"Placement", 0}, {"Width", 300}, {"Height", 600}, {"MinWidth", 300}, {"MinHeight", 300},
                    {"MaxWidth", 32000}, {"MaxHeight", 32000}, {"BackColor", ColorValue{255, 255, 255}},
                    {"Title", Str("Orvistella")}, {"Visible", true}, {"LiveResize", false},
                    {"MaximizeButton", true}, {"BalloonHelp", Str("")}}},
        StoredList{"PushButton1", mapconv::kPushButton1Properties, &kPushButtonOrder, 298,
                   ControlValues("PushButton1", 20, 14, 69, 20, false, false, false, false, 0,
                                 {{"Caption", Str("Open...")}, {"Default", false}, {"Cancel", false},
                                  {"TextSize", 12}})},
        StoredList{"LBraw", mapconv::kLBrawProperties, &kListboxOrder, 778,
                   ControlValues("LBraw", 20, 74, 260, 206, true, true, true, true, 1,
                                 With(kListboxShared, {{"UseFocusRing", false}}))},
        StoredList{"LBresults", mapconv::kLBresultsProperties, &kListboxOrder, 644,
                   ControlValues("LBresults", 20, 292, 260, 288, true, false, true, true, 2,
                                 With(kListboxShared, {{"UseFocusRing", true}, {"InitialValue", Str("")}}))},
        StoredList{"STfilename", mapconv::kSTfilenameProperties, &kStaticTextOrder, 337,
                   ControlValues("STfilename", 101, 43, 140, 20, false, false, false, false, 3,
                                 {{"Text", Str("")}, {"TextAlign", 0}, {"TextColor", ColorValue{0, 0, 0}},
                                  {"Multiline", false}, {"TextSize", 12}, {"DataSource", Str("")}})},
        StoredList{"CB_autosave", mapconv::kCB_autosaveProperties, &kCheckBoxOrder, 329,
                   ControlValues("CB_autosave", 110, 14, 140, 20, false, false, false, false, 4,
                                 {{"Caption", Str("Auto-save PNG Files")}, {"Value", true}, {"TextSize", 12}})},
        StoredList{"AddImagesWindow", addimages::kAddImagesWindowProperties, &kWindowOrder, 293,
                   {{"Width", 300}, {"Height", 300}, {"MinWidth", 64}, {"MinHeight", 64}, {"MaxWidth", 32000},
                    {"MaxHeight", 32000}, {"Title", Str("Add Images")}, {"LiveResize", true},
                    {"MaximizeButton", false}, {"MinimizeButton", true}}},
        StoredList{"ST", addimages::kSTProperties, &kStaticTextOrder, 398,
                   ControlValues("ST", 20, 14, 260, 266, true, true, true, true, 0,
                                 {{"Text", Str("Drag Auger .MAP files into this window for element-by-element adding.")},
                                  {"TextAlign", 1}, {"TextColor", ColorValue{0, 0, 0}}, {"Multiline", true},
                                  {"TextSize", 0}})}),
    [](const testing::TestParamInfo<StoredList>& info) { return std::string(info.param.label); });

TEST(PropertyListLayout, HelpTextOfLBrawHasItsElevenRows) {
  auto byName = ByName(DecodePropertyList(mapconv::kLBrawProperties, DeclaredBy(kListboxOrder)));
  const std::string& help = std::get<std::string>(byName.at("InitialValue"));
  EXPECT_EQ(help.size(), 138u);
  EXPECT_EQ(SplitOnCR(help), (std::vector<std::string>{"", "", "Program to open .map and .sem", "data files from PHI",
                                                       "", "Click 'Open...' to open a single file", "", "-OR-", "",
                                                       "Drag one or more files into this ", "window"}));
}

TEST(PropertyListLayout, MainWindowListBeginsWithItsBytes) {
  using namespace std::string_view_literals;
  constexpr auto head = "Placement \x00\x00\x00\x00"
                        "Width \x00\x00\x01\x2C"
                        "Height \x00\x00\x02\x58"
                        "MinWidth \x00\x00\x01\x2C"sv;
  EXPECT_EQ(mapconv::kMainWindowProperties.substr(0, head.size()), head);
}

TEST(PropertyListCodec, ValueFormsRoundTrip) {
  const std::vector<PropertyEntry> entries = {{"Left", int32_t{-2}},
                                              {"Index", int32_t{INT32_MIN}},
                                              {"Top", int32_t{INT32_MAX}},
                                              {"Visible", true},
                                              {"Bold", false},
                                              {"TextColor", ColorValue{0x12, 0x80, 0xFE}},
                                              {"Text", std::string("a\0b\r\xC2\xB5", 6)},
                                              {"Caption", std::string()}};
  const std::string bytes = EncodePropertyList(entries);
  EXPECT_EQ(bytes.substr(0, 9), std::string("Left \xFF\xFF\xFF\xFE", 9));
  EXPECT_EQ(DecodePropertyList(bytes, nullptr), entries);
}

TEST(PropertyListCodec, TypesAreMatchedByExactName) {
  EXPECT_EQ(fw::PropertyTypeOf("ScrollbarHorizontal"), fw::PropertyType::Boolean);
  EXPECT_EQ(fw::PropertyTypeOf("ScrollBarVertical"), fw::PropertyType::Boolean);
  EXPECT_EQ(fw::PropertyTypeOf("ScrollBarHorizontal"), std::nullopt);
  EXPECT_EQ(fw::PropertyTypeOf("_ScrollWidth"), fw::PropertyType::Integer);
  EXPECT_EQ(fw::PropertyTypeOf("BackColor"), fw::PropertyType::Color);
  EXPECT_EQ(fw::PropertyTypeOf("InitialParent"), fw::PropertyType::String);
  EXPECT_EQ(fw::PropertyTypeOf("title"), std::nullopt);
}

TEST(PropertyListCodec, EncoderRefusesWhatCannotBeReadBack) {
  EXPECT_THROW(EncodePropertyList({{"Width", true}}), PropertyListError);
  EXPECT_THROW(EncodePropertyList({{"Colour", int32_t{1}}}), PropertyListError);
  EXPECT_THROW(EncodePropertyList({{"", int32_t{1}}}), PropertyListError);
}

struct Malformed {
  const char* label;
  std::string bytes;
};

class PropertyListMalformed : public testing::TestWithParam<Malformed> {};

TEST_P(PropertyListMalformed, IsRefused) {
  const Names declared = {"Width", "Visible", "Title", "BackColor", "Colour"};
  // The bytes are copied to a buffer of their exact size, so that a read past
  // the end shows under the sanitizers.
  const std::string& bytes = GetParam().bytes;
  std::vector<char> exact(bytes.begin(), bytes.end());
  EXPECT_THROW(DecodePropertyList(std::string_view(exact.data(), exact.size()), DeclaredBy(declared)),
               PropertyListError);
}

using std::string_literals::operator""s;

INSTANTIATE_TEST_SUITE_P(
    PropertyListBadLists, PropertyListMalformed,
    testing::Values(Malformed{"UndeclaredName", "Height \x00\x00\x00\x01"s},
                    Malformed{"DeclaredButUnknownType", "Colour \x00\x00\x00\x01"s},
                    Malformed{"NameDiffersInCase", "width \x00\x00\x00\x01"s},
                    Malformed{"TruncatedInteger", "Width \x00\x00\x01"s},
                    Malformed{"IntegerWithNothingAfterBlank", "Width "s},
                    Malformed{"TruncatedColor", "BackColor \xFF\xFF"s},
                    Malformed{"TruncatedStringCount", "Title \x00\x00"s},
                    Malformed{"StringCountBeyondEnd", "Title \x00\x00\x00\x0A" "Orvistell"s},
                    Malformed{"HugeStringCount", "Title \xFF\xFF\xFF\xFF" "abc"s},
                    Malformed{"BooleanByteTwo", "Visible \x02"s},
                    Malformed{"BooleanMissing", "Visible "s},
                    Malformed{"NameWithoutBlank", "Width"s},
                    Malformed{"GoodEntryThenNameWithoutBlank", "Visible \x01Width"s},
                    Malformed{"EmptyName", " \x00\x00\x00\x01"s},
                    Malformed{"NonAsciiName", "W\xC3\xAD" "dth \x00\x00\x00\x01"s},
                    Malformed{"ControlByteInName", "Wid\nth \x00\x00\x00\x01"s}),
    [](const testing::TestParamInfo<Malformed>& info) { return std::string(info.param.label); });

TEST(PropertyListCodec, EmptyListHasNoEntries) {
  EXPECT_TRUE(DecodePropertyList(std::string_view(), [](std::string_view) { return false; }).empty());
}

TEST(PropertyListCodec, ErrorNamesTheProperty) {
  try {
    DecodePropertyList("Width \x00\x00"s, nullptr);
    FAIL() << "no error";
  } catch (const PropertyListError& e) {
    EXPECT_NE(std::string(e.what()).find("\"Width\""), std::string::npos) << e.what();
  }
}

}  // namespace
