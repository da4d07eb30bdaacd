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

// Counts the window's repaints.
class CountingWindow : public TestWindow {
 public:
  using TestWindow::TestWindow;
  int paints = 0;

 protected:
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    if (uMsg == WM_PAINT) ++paints;
    return TestWindow::HandleMessage(uMsg, wParam, lParam);
  }
};

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

  // And by keyboard.
  auto key = [&](WPARAM vk) { ::SendMessageW(hwnd, WM_KEYDOWN, vk, 0); };
  key(VK_HOME);
  EXPECT_EQ(list->GetScrollPos(), 0);
  key(VK_NEXT);
  EXPECT_EQ(list->GetScrollPos(), 180);
  key(VK_UP);
  EXPECT_EQ(list->GetScrollPos(), 150);
  key(VK_END);
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

TEST(LiveTree, KeyboardFocusScrollsAButtonIntoView) {
  TestWindow window(kListWindow);
  HWND hwnd = window.CreateShown();
  auto* list = static_cast<CListUI*>(window.Find(L"list"));
  for (int i = 0; i < 10; ++i) list->Add(Row(i));
  auto* button = new CButtonUI;
  button->SetName(L"far");
  button->SetFixedHeight(30);
  list->Add(button);
  window.Manager().UpdateLayout();
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(window.Manager().GetFocus(), button);
  EXPECT_EQ(list->GetScrollPos(), list->GetScrollRange());
  EXPECT_LE(button->GetPos().bottom, list->GetPos().bottom);
  // The focused button goes away with its list's rows: nothing is left pointing at it.
  list->RemoveAll();
  EXPECT_EQ(window.Manager().GetFocus(), nullptr);
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
  ::DestroyWindow(hwnd);
}

TEST(LiveTree, AnOpaqueAnimationShowsItsFramesWithoutRepaintingTheWindow) {
  CountingWindow window(kListWindow);
  HWND hwnd = window.CreateShown();
  auto* gif = static_cast<CGifAnimUI*>(window.Find(L"gif")->GetInterface(L"GifAnim"));
  ASSERT_TRUE(gif);
  uitest::Pump(5);  // laid out and painted
  window.paints = 0;
  for (int step = 0; step < 2; ++step) {
    const UINT before = gif->GetCurrentFrame();
    for (int i = 0; i < 200 && gif->GetCurrentFrame() == before; ++i) uitest::Pump(1);  // frames last 100 ms
    ASSERT_NE(gif->GetCurrentFrame(), before);
    // The window shows the new frame (red, then blue) at once.
    HDC hdc = ::GetDC(hwnd);
    const COLORREF shown = ::GetPixel(hdc, 4, 4);
    ::ReleaseDC(hwnd, hdc);
    EXPECT_EQ(shown, gif->GetCurrentFrame() == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255)) << step;
  }
  EXPECT_EQ(window.paints, 0);  // nothing beneath it was repainted for the steps
  ::DestroyWindow(hwnd);
}

TEST(LiveTree, AnAnimationMovedToAScreenOf150PerCentShowsTheFramesMadeForIt) {
  CountingWindow window(kListWindow);
  HWND hwnd = window.CreateShown();
  auto* gif = static_cast<CGifAnimUI*>(window.Find(L"gif")->GetInterface(L"GifAnim"));
  ASSERT_TRUE(gif);
  uitest::Pump(5);  // shown at 100 %
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  RECT suggested = {rc.left, rc.top, rc.left + 450, rc.top + 300};
  ::SendMessageW(hwnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  uitest::Pump(5);  // laid out and painted at 150 %
  window.paints = 0;
  for (int step = 0; step < 2; ++step) {
    const UINT before = gif->GetCurrentFrame();
    for (int i = 0; i < 200 && gif->GetCurrentFrame() == before; ++i) uitest::Pump(1);
    ASSERT_NE(gif->GetCurrentFrame(), before);
    // The 12-pixel frames of the 150 % asset (green, then yellow), not the
    // 8-pixel ones stretched, and still copied straight to the window.
    HDC hdc = ::GetDC(hwnd);
    const COLORREF shown = ::GetPixel(hdc, 10, 10);
    ::ReleaseDC(hwnd, hdc);
    EXPECT_EQ(shown, gif->GetCurrentFrame() == 0 ? RGB(0, 255, 0) : RGB(255, 255, 0)) << step;
  }
  EXPECT_EQ(window.paints, 0);
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
