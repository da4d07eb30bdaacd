// The sizing rule of the stacked layouts, along one axis: children with a
// fixed size keep it, the others share what is left equally, each size held
// within its child's minimum and maximum; padding and the gap between
// children come off first. Vertical and horizontal layouts both use it, with
// the axes swapped. Pure arithmetic.
#pragma once

#include <vector>

namespace ui {

struct AxisItem {
  int fixed = 0;          // 0: stretches
  int minSize = 0;
  int maxSize = 0;        // 0: no maximum
  int padBefore = 0;
  int padAfter = 0;
};

struct AxisSlot {
  int start = 0;          // offset of the child's own box (padding excluded)
  int size = 0;
};

// Places `items` one after the other from offset 0 within `available`
// pixels, `gap` pixels apart. Stretching children share the free space;
// when there is none they get their minimum.
std::vector<AxisSlot> DistributeAxis(const std::vector<AxisItem>& items, int available, int gap);

// The length the items need with every stretching child at its minimum:
// what a scrolling layout compares with its view.
int RequiredLength(const std::vector<AxisItem>& items, int gap);

// The size across the axis: the fixed size if set, else all that is
// available; held within minimum and maximum and never negative.
int CrossSize(int fixed, int minSize, int maxSize, int available);

}  // namespace ui
