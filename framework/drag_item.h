#pragma once
// The items of one drop, in drag order. An item may carry no file.
#include <vector>

#include "framework/folder_item.h"

namespace fw {

class DragItem {
 public:
  explicit DragItem(std::vector<FolderItemRef> items) : items_(std::move(items)) {}
  bool FolderItemAvailable() const { return index_ < items_.size() && items_[index_] != nullptr; }
  FolderItemRef FolderItem() const { return index_ < items_.size() ? items_[index_] : nullptr; }
  // Moves to the next item; False after the last.
  bool NextItem() {
    if (index_ + 1 >= items_.size()) return false;
    ++index_;
    return true;
  }

 private:
  std::vector<FolderItemRef> items_;
  size_t index_ = 0;
};

}  // namespace fw
