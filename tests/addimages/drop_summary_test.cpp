#include "addimages/drop_summary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/yield.h"

namespace {

using addimages::CommonPrefixLength;
using addimages::SummarizeDrop;
using Names = std::vector<std::string>;

struct Drop {
  const char* label;
  Names dropped;
  std::vector<size_t> kept;  // indexes into dropped, in the order the window keeps them
  bool changesText;
  int commonPrefixLength;
  std::string text;  // lines joined by "\n"
  std::string basename;
};

class DropSummary : public testing::TestWithParam<Drop> {};

TEST_P(DropSummary, GivesKeptNamesTextAndBaseName) {
  const Drop& d = GetParam();
  addimages::DropResult r = SummarizeDrop(d.dropped);
  EXPECT_EQ(r.kept, d.kept);
  EXPECT_EQ(r.changesText, d.changesText);
  if (!d.changesText) return;
  EXPECT_EQ(r.commonPrefixLength, d.commonPrefixLength);
  EXPECT_EQ(r.basename, d.basename);
  EXPECT_EQ(r.text, d.text);
}

INSTANTIATE_TEST_SUITE_P(
    DropSummaryDrops, DropSummary,
    testing::Values(
        Drop{"ThreeMapsAndANote", {"abc2.map", "abc1.map", "notes.txt", "abc3.map"}, {1, 0, 3}, true, 3,
             "abc1.map\nabc2.map\nabc3.map\n3  abc\nbasename = 'abc1-3'", "abc1-3"},
        Drop{"SharedPrefixEndsInsideNumber", {"scan12.map", "scan10.map"}, {1, 0}, true, 5,
             "scan10.map\nscan12.map\n5  scan1\nbasename = 'scan10-2'", "scan10-2"},
        Drop{"NothingShared", {"b.map", "a.map"}, {1, 0}, true, 0, "a.map\nb.map\n0  \nbasename = 'a-b'", "a-b"},
        Drop{"SameNameTwiceKeepsDropOrder", {"abcd.map", "abcd.map"}, {0, 1}, true, 8,
             "abcd.map\nabcd.map\n8  abcd.map\nbasename = 'a'", "a"},
        Drop{"ShortSameNameGivesEmptyBaseName", {"ab.map", "ab.map"}, {0, 1}, true, 6,
             "ab.map\nab.map\n6  ab.map\nbasename = ''", ""},
        Drop{"SuffixInAnyCase", {"map", "x.mapx", "IMAGE.MAP", "b.Map"}, {3, 2}, true, 0,
             "b.Map\nIMAGE.MAP\n0  \nbasename = 'b-IMAGE'", "b-IMAGE"},
        Drop{"CaseFoldedSortAndPrefix", {"Scan2.map", "scan1.map", "SCAN3.MAP"}, {1, 0, 2}, true, 4,
             "scan1.map\nScan2.map\nSCAN3.MAP\n4  scan\nbasename = 'scan1-3'", "scan1-3"},
        Drop{"CaseOnlyTieBrokenByBytes", {"abc.map", "ABC.map"}, {1, 0}, true, 7,
             "ABC.map\nabc.map\n7  ABC.map\nbasename = ''", ""},
        Drop{"PrefixNameEndsFirst", {"scan1.map", "scan.map"}, {1, 0}, true, 4,
             "scan.map\nscan1.map\n4  scan\nbasename = 'scan-1'", "scan-1"},
        Drop{"OneMapOnly", {"notes.txt", "a.map"}, {1}, false, 0, "", ""},
        Drop{"NoMap", {"notes.txt", "map", "x.mapx"}, {}, false, 0, "", ""},
        Drop{"Empty", {}, {}, false, 0, "", ""}),
    [](const testing::TestParamInfo<Drop>& info) { return std::string(info.param.label); });

TEST(DropSummaryPrefix, CountsUpToTheFirstNameWhenOthersGoOn) {
  EXPECT_EQ(CommonPrefixLength({"ab.map", "ab.mapx"}), 6);
  EXPECT_EQ(CommonPrefixLength({"\xC3\xA9t\xC3\xA9.map", "\xC3\x89T\xC3\x89.map"}), 7);  // characters, not bytes
}

TEST(DropSummaryPrefix, YieldsPerComparisonAndPerPosition) {
  int yields = 0;
  fw::SetYieldHook([&yields] { ++yields; });
  // Three names agree at positions 1 and 2 and differ at 3: 3 positions of 2
  // comparisons and 1 closing yield each.
  int length = CommonPrefixLength({"ab1", "ab2", "ab3"});
  fw::SetYieldHook(nullptr);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(yields, 9);
}

}  // namespace
