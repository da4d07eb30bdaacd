// The drop shadow follows its window: moves, minimise and restore, and goes
// with it, also when the window's owner deletes itself and the shadow.
// Under Wine it is off unless forced, since translucency is missing.
#include <gtest/gtest.h>

#include <cstring>

#include "ui_test_support.h"

using uitest::TestWindow;

namespace {

RECT Outset(RECT rc, const RECT& by) {
  rc.left -= by.left;
  rc.top -= by.top;
  rc.right += by.right;
  rc.bottom += by.bottom;
  return rc;
}

void ExpectSameRect(const RECT& a, const RECT& b) {
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.top, b.top);
  EXPECT_EQ(a.right, b.right);
  EXPECT_EQ(a.bottom, b.bottom);
}

}  // namespace

TEST(DropShadow, FollowsMovesMinimiseAndRestore) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
    EXPECT_FALSE(CWndShadow::Initialize(instance));
  }
  ASSERT_TRUE(CWndShadow::Initialize(instance, true));
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  const RECT corner = {17, 14, 17, 14};
  CWndShadow shadow;
  shadow.Create(hwnd);
  EXPECT_TRUE(shadow.SetImage(L"shadow.png"));
  shadow.SetShadowCorner(corner);
  shadow.SetHoleOffset(RECT{0, 0, 0, 0});
  HWND shade = shadow.GetHWND();
  ASSERT_TRUE(shade);
  EXPECT_TRUE(::GetWindowLongPtrW(shade, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_TRUE(::GetWindowLongPtrW(shade, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  EXPECT_TRUE(::IsWindowVisible(shade));
  RECT parent, rc;
  ::GetWindowRect(hwnd, &parent);
  ::GetWindowRect(shade, &rc);
  ExpectSameRect(rc, Outset(parent, corner));

  ::SetWindowPos(hwnd, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::GetWindowRect(hwnd, &parent);
  ::GetWindowRect(shade, &rc);
  ExpectSameRect(rc, Outset(parent, corner));

  ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  uitest::Pump();
  EXPECT_FALSE(::IsWindowVisible(shade));
  ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  uitest::Pump();
  EXPECT_TRUE(::IsWindowVisible(shade));

  EXPECT_FALSE(shadow.SetImage(L"no_such_shadow.png"));
  ::DestroyWindow(hwnd);
  EXPECT_FALSE(::IsWindow(shade));
}

TEST(DropShadow, LetsGoOfAWindowWhoseOwnerDeletesItInItsLastMessage) {
  // The owner holds the shadow and goes in the window's last message. The
  // shadow's memory is then refilled with the handle of another window, as
  // a reuse of the freed memory would: a shadow still used afterwards
  // would destroy that window.
  ASSERT_TRUE(CWndShadow::Initialize(::GetModuleHandleW(nullptr), true));
  struct Owner : TestWindow {
    Owner() : TestWindow(L"window.xml") {}
    alignas(CWndShadow) unsigned char storage[sizeof(CWndShadow)];
    CWndShadow* shadow = nullptr;
    HWND bystander = nullptr;
    void OnFinalMessage(HWND hWnd) override {
      TestWindow::OnFinalMessage(hWnd);
      shadow->~CWndShadow();
      for (size_t i = 0; i + sizeof(HWND) <= sizeof(storage); i += sizeof(HWND))
        std::memcpy(storage + i, &bystander, sizeof(HWND));
    }
  } owner;
  owner.bystander = ::CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(owner.bystander);
  HWND hwnd = owner.CreateShown();
  owner.shadow = new (owner.storage) CWndShadow;
  owner.shadow->Create(hwnd);
  owner.shadow->SetImage(L"shadow.png");
  HWND shade = owner.shadow->GetHWND();
  ASSERT_TRUE(shade);
  ::DestroyWindow(hwnd);
  EXPECT_FALSE(::IsWindow(shade));
  EXPECT_TRUE(::IsWindow(owner.bystander)) << "the shadow was used after its owner deleted it";
  ::DestroyWindow(owner.bystander);
}
