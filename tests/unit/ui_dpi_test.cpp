// The high-DPI arithmetic of the UI layer: lengths and rectangles between
// layout pixels and screen pixels, and the choice of image assets.
#include <gtest/gtest.h>

#include <climits>

#include "ui/dpi_scale.h"

using namespace ui;

TEST(DpiScale, LengthsRoundToTheNearestPixel) {
  EXPECT_EQ(ScaleToDpi(720, 96), 720);
  EXPECT_EQ(ScaleToDpi(720, 144), 1080);
  EXPECT_EQ(ScaleToDpi(480, 192), 960);
  EXPECT_EQ(ScaleToDpi(13, 120), 16);   // 16.25
  EXPECT_EQ(ScaleToDpi(3, 144), 5);     // 4.5: halves away from zero
  EXPECT_EQ(ScaleToDpi(-3, 144), -5);
  EXPECT_EQ(ScaleFromDpi(1080, 144), 720);
  EXPECT_EQ(ScaleFromDpi(1081, 144), 721);  // 720.67
  EXPECT_EQ(ScaleFromDpi(-1081, 144), -721);
  // A DPI of 0 (a failed query) counts as 96.
  EXPECT_EQ(ScaleToDpi(37, 0), 37);
  EXPECT_EQ(ScaleFromDpi(37, 0), 37);
}

TEST(DpiScale, RectanglesWidenOutwards) {
  // 15 * 1.5 = 22.5 and 25 * 1.5 = 37.5: the half pixels on both sides belong to the rectangle.
  EXPECT_EQ(RectToDpi(Edges{15, 15, 25, 25}, 144), (Edges{22, 22, 38, 38}));
  EXPECT_EQ(RectToDpi(Edges{-3, 0, 3, 1}, 144), (Edges{-5, 0, 5, 2}));
  EXPECT_EQ(RectToDpi(Edges{10, 20, 30, 40}, 192), (Edges{20, 40, 60, 80}));
  // Screen pixels 22..38 at 150 % touch layout pixels 14..26.
  EXPECT_EQ(RectFromDpi(Edges{22, 22, 38, 38}, 144), (Edges{14, 14, 26, 26}));
  EXPECT_EQ(RectFromDpi(Edges{0, 0, 1080, 720}, 144), (Edges{0, 0, 720, 480}));
  EXPECT_EQ(RectFromDpi(Edges{-5, 0, 5, 2}, 144), (Edges{-4, 0, 4, 2}));
}

TEST(DpiScale, HugeLayoutLengthsStayHugeOnLargeScreens) {
  // A layout may give lengths up to a thousand million pixels; at 300 % and
  // 500 % they must not wrap round into negative or small values.
  EXPECT_EQ(ScaleToDpi(1000000000, 288), INT_MAX);
  EXPECT_EQ(ScaleToDpi(-1000000000, 480), INT_MIN);
  EXPECT_EQ(RectToDpi(Edges{-1000000000, 0, 1000000000, 7}, 480), (Edges{INT_MIN, 0, INT_MAX, 35}));
  EXPECT_EQ(ScaleFromDpi(INT_MAX, 48), INT_MAX);
  EXPECT_EQ(RectFromDpi(Edges{INT_MIN, 0, INT_MAX, 1}, 48), (Edges{INT_MIN, 0, INT_MAX, 2}));
}

TEST(DpiScale, AssetsOfTheNearestScale) {
  EXPECT_EQ(AssetScaleForDpi(96), 100);
  EXPECT_EQ(AssetScaleForDpi(0), 100);
  EXPECT_EQ(AssetScaleForDpi(72), 100);
  EXPECT_EQ(AssetScaleForDpi(115), 100);  // 120 %
  EXPECT_EQ(AssetScaleForDpi(120), 150);  // 125 %: a tie, the larger shrinks cleanly
  EXPECT_EQ(AssetScaleForDpi(144), 150);
  EXPECT_EQ(AssetScaleForDpi(168), 200);  // 175 %
  EXPECT_EQ(AssetScaleForDpi(192), 200);
  EXPECT_EQ(AssetScaleForDpi(288), 200);  // 300 %: the largest there is

  EXPECT_EQ(AssetFileForScale(L"machine.png", 100), L"machine.png");
  EXPECT_EQ(AssetFileForScale(L"machine.png", 150), L"machine@150.png");
  EXPECT_EQ(AssetFileForScale(L"img/state_icon.png", 200), L"img/state_icon@200.png");
  EXPECT_EQ(AssetFileForScale(L"dir.v2/shadow", 150), L"dir.v2/shadow@150");
}
