#include "ui/layout_axis.h"

#include <algorithm>

namespace ui {
namespace {

int Clamp(int size, int minSize, int maxSize) {
  if (maxSize > 0 && size > maxSize) size = maxSize;
  if (size < minSize) size = minSize;
  return std::max(size, 0);
}

}  // namespace

int CrossSize(int fixed, int minSize, int maxSize, int available) {
  return Clamp(fixed > 0 ? fixed : available, minSize, maxSize);
}

int RequiredLength(const std::vector<AxisItem>& items, int gap) {
  int total = 0;
  for (const AxisItem& item : items) {
    total += item.padBefore + item.padAfter;
    total += item.fixed > 0 ? Clamp(item.fixed, item.minSize, item.maxSize) : Clamp(0, item.minSize, item.maxSize);
  }
  if (!items.empty()) total += gap * static_cast<int>(items.size() - 1);
  return total;
}

std::vector<AxisSlot> DistributeAxis(const std::vector<AxisItem>& items, int available, int gap) {
  std::vector<int> sizes(items.size(), 0);
  std::vector<bool> settled(items.size(), false);
  int free = available - (items.empty() ? 0 : gap * static_cast<int>(items.size() - 1));
  for (size_t i = 0; i < items.size(); ++i) {
    free -= items[i].padBefore + items[i].padAfter;
    if (items[i].fixed > 0) {
      sizes[i] = Clamp(items[i].fixed, items[i].minSize, items[i].maxSize);
      settled[i] = true;
      free -= sizes[i];
    }
  }
  // Share the rest among the stretching children. A child whose share would
  // break its minimum or maximum takes that limit and leaves the sharing;
  // the others then share again, until every share fits.
  bool changed = true;
  while (changed) {
    changed = false;
    int open = 0;
    for (size_t i = 0; i < items.size(); ++i) open += settled[i] ? 0 : 1;
    if (open == 0) break;
    int share = std::max(free, 0) / open;
    for (size_t i = 0; i < items.size(); ++i) {
      if (settled[i]) continue;
      int limited = Clamp(share, items[i].minSize, items[i].maxSize);
      if (limited != share) {
        sizes[i] = limited;
        settled[i] = true;
        free -= limited;
        changed = true;
      }
    }
    if (!changed) {
      int remainder = std::max(free, 0) - share * open;
      for (size_t i = 0; i < items.size(); ++i) {
        if (settled[i]) continue;
        sizes[i] = share + (--open == 0 ? remainder : 0);  // the last one takes the odd pixels
      }
    }
  }
  std::vector<AxisSlot> slots(items.size());
  int offset = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    offset += items[i].padBefore;
    slots[i] = AxisSlot{offset, sizes[i]};
    offset += sizes[i] + items[i].padAfter + gap;
  }
  return slots;
}

}  // namespace ui
