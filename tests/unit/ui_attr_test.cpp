// Attribute values of the layout files and the sizing rule of the stacked
// layouts: pure functions, tested natively.
#include <gtest/gtest.h>

#include "ui/attr_parse.h"
#include "ui/layout_axis.h"

using namespace ui;

TEST(AttributeValues, Colours) {
  uint32_t argb = 0;
  EXPECT_TRUE(ParseColor(L"#FF4C4C4C", argb));
  EXPECT_EQ(argb, 0xFF4C4C4Cu);
  EXPECT_TRUE(ParseColor(L" #00d572 ", argb));  // six digits: opaque
  EXPECT_EQ(argb, 0xFF00D572u);
  EXPECT_TRUE(ParseColor(L"0x80000000", argb));
  EXPECT_EQ(argb, 0x80000000u);
  for (const wchar_t* bad : {L"", L"#", L"#FFF", L"#FF4C4C4C00", L"FF4C4C4C", L"#GG4C4C4C", L"#FF 4C4C4C", L"red"}) {
    argb = 7;
    EXPECT_FALSE(ParseColor(bad, argb)) << static_cast<int>(wcslen(bad));
    EXPECT_EQ(argb, 7u);
  }
}

TEST(AttributeValues, RectanglesPairsNumbersAndBooleans) {
  Edges e;
  EXPECT_TRUE(ParseEdges(L"2,18,30,0", e));
  EXPECT_EQ(e, (Edges{2, 18, 30, 0}));
  EXPECT_TRUE(ParseEdges(L" -1 , 2,3 ,4", e));
  EXPECT_EQ(e, (Edges{-1, 2, 3, 4}));
  for (const wchar_t* bad : {L"", L"1,2,3", L"1,2,3,4,5", L"1,,3,4", L"a,b,c,d", L"1.5,2,3,4"}) {
    EXPECT_FALSE(ParseEdges(bad, e));
  }
  EXPECT_EQ(e, (Edges{-1, 2, 3, 4}));
  int a = 0, b = 0;
  EXPECT_TRUE(ParsePair(L"500,400", a, b));
  EXPECT_EQ(a, 500);
  EXPECT_EQ(b, 400);
  EXPECT_FALSE(ParsePair(L"500", a, b));
  int n = 3;
  EXPECT_FALSE(ParseInt(L"99999999999", n));
  EXPECT_FALSE(ParseInt(L"-", n));
  EXPECT_FALSE(ParseInt(L"12px", n));
  EXPECT_EQ(n, 3);
  bool flag = false;
  EXPECT_TRUE(ParseBool(L"true", flag) && flag);
  EXPECT_TRUE(ParseBool(L"0", flag) && !flag);
  EXPECT_FALSE(ParseBool(L"yes", flag));
}

TEST(AttributeValues, ImageDescriptors) {
  ImageDesc d;
  EXPECT_TRUE(ParseImageDesc(L"point.png", d));
  EXPECT_EQ(d.file, L"point.png");
  EXPECT_FALSE(d.hasSource);
  EXPECT_TRUE(ParseImageDesc(L"file='machine.png' source='84,0,168,84'", d));
  EXPECT_EQ(d.file, L"machine.png");
  EXPECT_TRUE(d.hasSource);
  EXPECT_EQ(d.source, (Edges{84, 0, 168, 84}));
  EXPECT_TRUE(d.corner.IsEmpty());
  EXPECT_TRUE(ParseImageDesc(L"file='shadow.png' corner='17,14,17,14' fade='200'", d));  // unknown keys skipped
  EXPECT_EQ(d.corner, (Edges{17, 14, 17, 14}));
  EXPECT_FALSE(d.hasSource);
  for (const wchar_t* bad : {L"file='x.png", L"source='0,0,1,1'", L"file='x.png' source='0,0'", L"file=x.png",
                             L"file='x.png' corner='a'", L"x'.png"}) {
    EXPECT_FALSE(ParseImageDesc(bad, d));
  }
  EXPECT_EQ(d.file, L"shadow.png");
}

TEST(AttributeValues, LocalisedTextKeys) {
  std::string key;
  EXPECT_TRUE(ParseTextKey(L"%{s.detect.cpu}", key));
  EXPECT_EQ(key, "s.detect.cpu");
  EXPECT_FALSE(ParseTextKey(L"%{}", key));
  EXPECT_FALSE(ParseTextKey(L"%{s.a} more", key));
  EXPECT_FALSE(ParseTextKey(L"%{s.\u4E2D}", key));
  EXPECT_FALSE(ParseTextKey(L"50%", key));
}

TEST(AxisLayout, FixedChildrenKeepTheirSizeAndTheRestIsShared) {
  std::vector<AxisItem> items(4);
  items[0].fixed = 50;
  items[2].fixed = 30;
  items[2].padBefore = 6;
  items[2].padAfter = 10;
  auto slots = DistributeAxis(items, 240, 5);
  ASSERT_EQ(slots.size(), 4u);
  EXPECT_EQ(slots[0].start, 0);
  EXPECT_EQ(slots[0].size, 50);
  EXPECT_EQ(slots[1].size, 64);
  EXPECT_EQ(slots[2].start, 130);
  EXPECT_EQ(slots[3].size, 65);  // the odd pixel goes to the last one
  EXPECT_EQ(slots[3].start + slots[3].size, 240);
  EXPECT_EQ(RequiredLength(items, 5), 50 + 30 + 16 + 15);
}

TEST(AxisLayout, LimitsAreKeptAndFreedSpaceIsSharedAgain) {
  std::vector<AxisItem> items(3);
  items[0].maxSize = 20;
  items[1].minSize = 150;
  auto slots = DistributeAxis(items, 300, 0);
  EXPECT_EQ(slots[0].size, 20);
  EXPECT_EQ(slots[1].size, 150);
  EXPECT_EQ(slots[2].size, 130);
  // No space at all: stretchers take their minimum, nothing goes negative.
  slots = DistributeAxis(items, 10, 4);
  EXPECT_EQ(slots[0].size, 0);
  EXPECT_EQ(slots[1].size, 150);
  EXPECT_EQ(slots[2].size, 0);
  EXPECT_TRUE(DistributeAxis({}, 100, 5).empty());
  EXPECT_EQ(CrossSize(0, 0, 14, 43), 14);
  EXPECT_EQ(CrossSize(20, 0, 0, 10), 20);
  EXPECT_EQ(CrossSize(0, 0, 0, -5), 0);
}
