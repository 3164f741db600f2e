#pragma once
// What a drop on the Add Images window shows, computed from the display names
// of the dropped files alone: the ".map" names kept, their sorted order, the
// count of leading characters they share, the summary text and the proposed
// base name. No window and no file is needed.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace addimages {

// The name ends in ".map", letter case folded (so ".MAP" and ".Map" count).
bool IsMapName(std::string_view displayName);

// The order of names, as indexes into them: by the folded names, ties broken
// by plain byte order; equal names keep their input order.
std::vector<size_t> SortedOrder(const std::vector<std::string>& names);

// How many leading characters all sorted names share, letter case folded.
// Names equal as far as the first one reaches give the first one's length.
// Yields once per comparison and once per character position.
int CommonPrefixLength(const std::vector<std::string>& sorted);

// The first name less its last 4 characters, "-", the last name after the
// shared characters, and of that whole the last 4 characters dropped ("" when
// it is shorter than that).
std::string BaseName(const std::vector<std::string>& sorted, int commonPrefixLength);

// The sorted names one per line, then the count, two blanks and the shared
// characters of the first name, then "basename = '...'" with no line end.
std::string SummaryText(const std::vector<std::string>& sorted, int commonPrefixLength);

struct DropResult {
  // Indexes of the kept input names: in sorted order when two or more were
  // kept, else in input order (0 or 1 entry).
  std::vector<size_t> kept;
  // True when at least two names were kept; only then are the fields below set
  // and the window's text replaced by text.
  bool changesText = false;
  std::string text;
  std::string basename;
  int commonPrefixLength = 0;
};

// The whole computation of one drop, given the display names of the dropped
// files in drop order. Yields once per name as well as in CommonPrefixLength.
DropResult SummarizeDrop(const std::vector<std::string>& displayNames);

}  // namespace addimages
