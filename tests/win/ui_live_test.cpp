// Controls in a shown window: re-layout when visibility changes, the list's
// scroll range, wheel and thumb, and the animation.
#include <gtest/gtest.h>

#include "ui_test_support.h"

using uitest::TestWindow;

namespace {

const wchar_t kListWindow[] =
    L"<Window size='300,200'><VerticalLayout name='root' bkcolor='#FFFFFFFF'>"
    L"<Control name='top' height='20'/>"
    L"<List name='list'/>"
    L"<GifAnim name='gif' float='true' pos='0,0,8,8' bkimage='anim.gif'/>"
    L"</VerticalLayout></Window>";

CControlUI* Row(int index) {
  auto* row = new CHorizontalLayoutUI;
  row->SetFixedHeight(61);
  auto* label = new CLabelUI;
  label->SetText(L"row " + std::to_wstring(index));
  row->Add(label);
  return row;
}

void Wheel(HWND hwnd, const RECT& over, int notches) {
  POINT pt = {(over.left + over.right) / 2, (over.top + over.bottom) / 2};
  ::ClientToScreen(hwnd, &pt);
  ::SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA * notches), MAKELPARAM(pt.x, pt.y));
}

}  // namespace

TEST(LiveTree, HidingAndShowingAChildLaysTheRestOutAgain) {
  TestWindow window(kListWindow);
  HWND hwnd = window.CreateShown();
  auto* list = static_cast<CListUI*>(window.Find(L"list"));
  ASSERT_TRUE(list);
  list->Add(Row(0));
  list->Add(Row(1));
  window.Manager().UpdateLayout();
  EXPECT_EQ(list->GetPos().top, 20);
  EXPECT_EQ(list->GetItemAt(1)->GetPos().top, 81);
  window.Find(L"top")->SetVisible(false);
  list->GetItemAt(0)->SetVisible(false);
  window.Manager().UpdateLayout();
  EXPECT_EQ(list->GetPos().top, 0);
  EXPECT_EQ(list->GetItemAt(1)->GetPos().top, 0);
  list->GetItemAt(0)->SetVisible(true);
  ::UpdateWindow(hwnd);  // painting lays out too
  EXPECT_EQ(list->GetItemAt(1)->GetPos().top, 61);
  ::DestroyWindow(hwnd);
}

TEST(LiveTree, ListScrollsByWheelAndThumbWithinItsRange) {
  TestWindow window(kListWindow);
  HWND hwnd = window.CreateShown();
  auto* list = static_cast<CListUI*>(window.Find(L"list"));
  for (int i = 0; i < 10; ++i) list->Add(Row(i));
  window.Manager().UpdateLayout();
  // 10 rows of 61 in a view of 180.
  EXPECT_EQ(list->GetScrollRange(), 610 - 180);
  EXPECT_EQ(list->GetItemAt(0)->GetPos().right, 300 - CVerticalLayoutUI::kScrollBarWidth);

  Wheel(hwnd, list->GetItemAt(0)->GetPos(), 1);  // over a row: the list scrolls
  EXPECT_EQ(list->GetScrollPos(), 60);
  EXPECT_EQ(list->GetItemAt(0)->GetPos().top, 20 - 60);
  Wheel(hwnd, list->GetPos(), 50);
  EXPECT_EQ(list->GetScrollPos(), 430);
  Wheel(hwnd, list->GetPos(), -50);
  EXPECT_EQ(list->GetScrollPos(), 0);

  // Dragging the thumb to the bottom of the track.
  const RECT& rc = list->GetPos();
  int x = rc.right - CVerticalLayoutUI::kScrollBarWidth / 2;
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, rc.top + 5));
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, rc.top + 5));
  ::SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, rc.bottom + 50));
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, rc.bottom + 50));
  EXPECT_EQ(list->GetScrollPos(), 430);

  // Fewer rows than the view: nothing to scroll, the position comes back.
  while (list->GetCount() > 2) list->RemoveAt(0);
  window.Manager().UpdateLayout();
  EXPECT_EQ(list->GetScrollRange(), 0);
  EXPECT_EQ(list->GetScrollPos(), 0);
  EXPECT_EQ(list->GetItemAt(0)->GetPos().top, 20);
  EXPECT_EQ(list->GetItemAt(0)->GetPos().right, 300);
  ::DestroyWindow(hwnd);
}

TEST(LiveTree, AnimationPlaysWhileVisible) {
  TestWindow window(kListWindow);
  HWND hwnd = window.CreateShown();
  auto* gif = static_cast<CGifAnimUI*>(window.Find(L"gif")->GetInterface(L"GifAnim"));
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->GetFrameCount(), 2u);
  UINT first = gif->GetCurrentFrame();
  for (int i = 0; i < 200 && gif->GetCurrentFrame() == first; ++i) uitest::Pump(1);  // frames last 100 ms
  EXPECT_NE(gif->GetCurrentFrame(), first);
  gif->SetVisible(false);
  UINT stopped = gif->GetCurrentFrame();
  uitest::Pump(60);
  EXPECT_EQ(gif->GetCurrentFrame(), stopped);
  ::DestroyWindow(hwnd);
}
