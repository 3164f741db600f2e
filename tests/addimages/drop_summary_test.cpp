// What a drop on the Add Images window shows, from the dropped names alone
// (which names count as maps is the suffix test's business).
#include "addimages/drop_summary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DropSummary, KeptNamesTextAndBaseName) {
  const struct {
    const char* name;
    std::vector<std::string> dropped;
    std::vector<size_t> kept;  // indexes into dropped, in the order the window keeps them
    std::string text;          // "" when the window's text stays
  } rows[] = {
      {"shared prefix ends inside a number", {"scan12.map", "scan10.map"}, {1, 0},
       "scan10.map\nscan12.map\n5  scan1\nbasename = 'scan10-2'"},
      {"nothing shared", {"b.map", "a.map"}, {1, 0}, "a.map\nb.map\n0  \nbasename = 'a-b'"},
      {"same name twice keeps drop order", {"abcd.map", "abcd.map"}, {0, 1},
       "abcd.map\nabcd.map\n8  abcd.map\nbasename = 'a'"},
      {"short same name gives an empty base name", {"ab.map", "ab.map"}, {0, 1},
       "ab.map\nab.map\n6  ab.map\nbasename = ''"},
      {"case-folded sort and prefix", {"Scan2.map", "scan1.map", "SCAN3.MAP"}, {1, 0, 2},
       "scan1.map\nScan2.map\nSCAN3.MAP\n4  scan\nbasename = 'scan1-3'"},
      {"case-only tie broken by bytes", {"abc.map", "ABC.map"}, {1, 0}, "ABC.map\nabc.map\n7  ABC.map\nbasename = ''"},
      {"a name that ends first", {"scan1.map", "scan.map"}, {1, 0}, "scan.map\nscan1.map\n4  scan\nbasename = 'scan-1'"},
      {"prefix counts characters", {"\u00E9t\u00E9.map", "\u00C9T\u00C9.map"}, {1, 0},
       "\u00C9T\u00C9.map\n\u00E9t\u00E9.map\n7  \u00C9T\u00C9.map\nbasename = ''"},
      {"one map only", {"notes.txt", "a.map"}, {1}, ""},
  };
  for (const auto& row : rows) {
    const addimages::DropResult r = addimages::SummarizeDrop(row.dropped);
    EXPECT_EQ(r.kept, row.kept) << row.name;
    EXPECT_EQ(r.changesText, !row.text.empty()) << row.name;
    if (r.changesText) {
      EXPECT_EQ(r.text, row.text) << row.name;
    }
  }
}

}  // namespace
