#include "addimages/drop_summary.h"

#include <algorithm>
#include <numeric>

#include "framework/numbers.h"
#include "framework/strings.h"
#include "framework/yield.h"

namespace addimages {

namespace {

constexpr int kSuffixLength = 4;  // ".map"

std::vector<std::string> Pick(const std::vector<std::string>& names, const std::vector<size_t>& indexes) {
  std::vector<std::string> picked;
  picked.reserve(indexes.size());
  for (size_t i : indexes) picked.push_back(names[i]);
  return picked;
}

}  // namespace

bool IsMapName(std::string_view displayName) { return fw::EndsWith(displayName, ".map"); }

std::vector<size_t> SortedOrder(const std::vector<std::string>& names) {
  std::vector<size_t> order(names.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&names](size_t a, size_t b) { return fw::StrCompare(names[a], names[b]) < 0; });
  return order;
}

int CommonPrefixLength(const std::vector<std::string>& sorted) {
  if (sorted.empty()) return 0;
  const std::string& first = sorted.front();
  const int firstLength = fw::Len(first);
  int position = 0;
  bool allAgree = true;
  do {
    ++position;
    allAgree = true;
    const std::string reference = fw::Mid(first, position, 1);
    // Every name is compared, even after a difference: each comparison is a
    // pass of the loop and yields.
    for (size_t k = 1; k < sorted.size(); ++k) {
      if (!fw::StrEqual(fw::Mid(sorted[k], position, 1), reference)) allAgree = false;
      fw::RuntimeBackgroundTask();
    }
    fw::RuntimeBackgroundTask();
  } while (allAgree && firstLength >= position);
  return position - 1;
}

std::string BaseName(const std::vector<std::string>& sorted, int commonPrefixLength) {
  if (sorted.empty()) return "";
  const std::string& first = sorted.front();
  const std::string whole =
      fw::Left(first, fw::Len(first) - kSuffixLength) + "-" + fw::Mid(sorted.back(), commonPrefixLength + 1);
  return fw::Left(whole, fw::Len(whole) - kSuffixLength);
}

std::string SummaryText(const std::vector<std::string>& sorted, int commonPrefixLength) {
  const std::string first = sorted.empty() ? std::string() : sorted.front();
  return fw::Join(sorted, fw::EndOfLine) + fw::EndOfLine + fw::Str(int32_t{commonPrefixLength}) + "  " +
         fw::Left(first, commonPrefixLength) + fw::EndOfLine + "basename = '" + BaseName(sorted, commonPrefixLength) +
         "'";
}

DropResult SummarizeDrop(const std::vector<std::string>& displayNames) {
  DropResult result;
  for (size_t i = 0; i < displayNames.size(); ++i) {
    if (IsMapName(displayNames[i])) result.kept.push_back(i);
    fw::RuntimeBackgroundTask();
  }
  if (result.kept.size() < 2) return result;

  const std::vector<std::string> keptNames = Pick(displayNames, result.kept);
  std::vector<size_t> sortedKept;
  sortedKept.reserve(result.kept.size());
  for (size_t k : SortedOrder(keptNames)) sortedKept.push_back(result.kept[k]);
  result.kept = std::move(sortedKept);

  const std::vector<std::string> sorted = Pick(displayNames, result.kept);
  result.changesText = true;
  result.commonPrefixLength = CommonPrefixLength(sorted);
  result.basename = BaseName(sorted, result.commonPrefixLength);
  result.text = SummaryText(sorted, result.commonPrefixLength);
  return result;
}

}  // namespace addimages
