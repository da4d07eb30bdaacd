// Skinned windows: building from the archive, clicks from mouse messages,
// the modal loop, the keyboard, dragging by the caption, and bad layouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ui_test_support.h"

using uitest::TestWindow;

namespace {

int Count(const std::vector<std::wstring>& items, const std::wstring& item) {
  return static_cast<int>(std::count(items.begin(), items.end(), item));
}

// What the log says of a window that ended inside its CreateWindowExW call.
const char kRefusedLine[] = "WM_CREATE refused the window";
const char kEndedLine[] = "the window ended while it was being created";

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

}  // namespace

TEST(SkinnedWindow, TakesItsSizeAndTextsFromTheLayout) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  ASSERT_TRUE(hwnd);
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 420);
  EXPECT_EQ(rc.bottom - rc.top, 300);
  // No system frame: the client area is the whole window.
  RECT client;
  ::GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 420);
  EXPECT_EQ(client.bottom, 300);
  EXPECT_FALSE(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CAPTION);
  EXPECT_TRUE(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_MINIMIZEBOX);
  ASSERT_TRUE(window.Find(L"title"));
  EXPECT_EQ(window.Find(L"title")->GetText(), L"<s.app.name>");
  EXPECT_EQ(window.Find(L"closebtn")->GetToolTip(), L"<s.ui.close>");
  ::DestroyWindow(hwnd);
}

TEST(SkinnedWindow, ReadsAFolderSkinToo) {
  TestWindow window(L"render.xml", UILIB_FILE);
  HWND hwnd = window.CreateShown();
  ASSERT_TRUE(window.Find(L"frame"));
  EXPECT_EQ(CPaintManagerUI::GetResourceZip(), L"");
  EXPECT_EQ(CPaintManagerUI::GetResourcePath(), CPaintManagerUI::GetInstancePath() + L"ui_skin_folder\\");
  ::DestroyWindow(hwnd);
  uitest::UseFixtureSkin();
}

TEST(SkinnedWindow, MouseClickAtTheCentreGivesExactlyOneClick) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  CControlUI* ok = window.Find(L"ok");
  ASSERT_TRUE(ok);
  uitest::ClickAt(hwnd, ok->GetPos());
  EXPECT_EQ(window.clicks, std::vector<std::wstring>{L"ok"});
  EXPECT_EQ(Count(window.notifications, L"click:ok"), 1);

  // Pressed on the button, released elsewhere: no click.
  RECT rc = ok->GetPos();
  LPARAM inside = MAKELPARAM(rc.left + 5, rc.top + 5);
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, inside);
  ::SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 150));
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 150));
  EXPECT_EQ(window.clicks.size(), 1u);

  // A disabled button gives none.
  ok->SetEnabled(false);
  uitest::ClickAt(hwnd, ok->GetPos());
  EXPECT_EQ(window.clicks.size(), 1u);
  ::DestroyWindow(hwnd);
}

TEST(SkinnedWindow, ShowModalReturnsTheCodeGivenToClose) {
  TestWindow owner(L"window.xml");
  HWND ownerHwnd = owner.CreateShown();
  for (int code : {0, 1, 7}) {
    TestWindow dialog(L"window.xml");
    dialog.closeCodeOnClick = code;
    ASSERT_TRUE(dialog.Create(ownerHwnd, L"dialog", WS_POPUPWINDOW, 0));
    dialog.CenterWindow();
    // The click arrives from inside the modal loop, as a user's would.
    HWND hwnd = dialog.GetHWND();
    dialog.Manager().UpdateLayout();
    RECT rc = dialog.Find(L"cancel")->GetPos();
    LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(dialog.ShowModal(), static_cast<UINT>(code));
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_TRUE(::IsWindowEnabled(ownerHwnd));  // the owner is usable again
  }
  // Closed by the system (as by Alt+F4): 0.
  TestWindow dialog(L"window.xml");
  ASSERT_TRUE(dialog.Create(ownerHwnd, L"dialog", WS_POPUPWINDOW, 0));
  ::PostMessageW(dialog.GetHWND(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(dialog.ShowModal(), 0u);
  ::DestroyWindow(ownerHwnd);
}

TEST(SkinnedWindow, OneObjectShowsItsDialogAgainWithAFreshTree) {
  TestWindow owner(L"window.xml");
  HWND ownerHwnd = owner.CreateShown();
  TestWindow dialog(L"window.xml");
  for (int round = 1; round <= 2; ++round) {
    ASSERT_TRUE(dialog.Create(ownerHwnd, L"dialog", WS_POPUPWINDOW, 0)) << round;
    EXPECT_EQ(dialog.Find(L"title")->GetText(), L"<s.app.name>");  // built anew
    dialog.Find(L"title")->SetText(L"changed");
    dialog.closeCodeOnClick = round;
    dialog.Manager().UpdateLayout();
    RECT rc = dialog.Find(L"ok")->GetPos();
    LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::PostMessageW(dialog.GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(dialog.GetHWND(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(dialog.ShowModal(), static_cast<UINT>(round));
    EXPECT_EQ(dialog.clicks.size(), static_cast<size_t>(round));  // one click each time, not one per showing
  }
  ::DestroyWindow(ownerHwnd);
}

TEST(SkinnedWindow, TabMovesFocusAndSpaceOrEnterPress) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  window.Find(L"minbtn")->SetVisible(false);  // hidden buttons are skipped
  auto key = [&](WPARAM vk) { ::SendMessageW(hwnd, WM_KEYDOWN, vk, 0); };
  key(VK_TAB);
  EXPECT_EQ(window.Manager().GetFocus(), window.Find(L"closebtn"));
  EXPECT_TRUE(window.Manager().IsFocusCueShown());
  key(VK_TAB);
  EXPECT_EQ(window.Manager().GetFocus(), window.Find(L"ok"));
  key(VK_SPACE);
  key(VK_TAB);
  key(VK_RETURN);
  EXPECT_EQ(window.clicks, (std::vector<std::wstring>{L"ok", L"cancel"}));
  key(VK_TAB);  // wraps round
  EXPECT_EQ(window.Manager().GetFocus(), window.Find(L"closebtn"));
  window.Find(L"ok")->SetEnabled(false);
  window.Manager().MoveFocus(true);
  EXPECT_EQ(window.Manager().GetFocus(), window.Find(L"cancel"));
  // Characters still reach OnChar.
  ::SendMessageW(hwnd, WM_CHAR, L'a', 0);
  EXPECT_EQ(window.chars, std::vector<wchar_t>{L'a'});
  ::DestroyWindow(hwnd);
}

TEST(SkinnedWindow, CaptionAreaDragsExceptOverButtons) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  auto hit = [&](int x, int y) {
    return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(rc.left + x, rc.top + y));
  };
  EXPECT_EQ(hit(100, 20), HTCAPTION);
  const RECT& close = window.Find(L"closebtn")->GetPos();
  EXPECT_EQ(hit((close.left + close.right) / 2, (close.top + close.bottom) / 2), HTCLIENT);
  EXPECT_EQ(hit(100, 100), HTCLIENT);
  RECT wide = {0, 0, 0, 170};
  window.Manager().SetCaptionRect(wide);
  EXPECT_EQ(hit(100, 100), HTCAPTION);
  ::DestroyWindow(hwnd);
}

TEST(SkinnedWindow, MovedToAScreenOf150PerCentItScalesAndStillHitsItsControls) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  ASSERT_EQ(window.Manager().GetDpi(), 96u);
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  // What Windows sends when the window crosses to a screen of 144 DPI.
  RECT suggested = {rc.left, rc.top, rc.left + 630, rc.top + 450};
  ::SendMessageW(hwnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window.Manager().GetDpi(), 144u);
  ::GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 630);
  EXPECT_EQ(rc.bottom - rc.top, 450);
  uitest::Pump();
  // The controls keep their layout places, 420 x 300 in all.
  window.Manager().UpdateLayout();
  const RECT root = window.Manager().GetRoot()->GetPos();
  EXPECT_EQ(root.right - root.left, 420);
  EXPECT_EQ(root.bottom - root.top, 300);
  CControlUI* ok = window.Find(L"ok");
  ASSERT_TRUE(ok);
  const RECT okLayout = ok->GetPos();
  const RECT okOnScreen = window.Manager().LayoutToClient(okLayout);
  EXPECT_EQ(okOnScreen.left, okLayout.left * 3 / 2);
  EXPECT_NEAR(okOnScreen.right - okOnScreen.left, (okLayout.right - okLayout.left) * 3 / 2, 1);
  // A click at the button's place on the screen reaches it.
  uitest::ClickAt(hwnd, okOnScreen);
  EXPECT_EQ(window.clicks, std::vector<std::wstring>{L"ok"});
  // The caption drags at its scaled place; the close button does not.
  auto hit = [&](int x, int y) {
    return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(rc.left + x, rc.top + y));
  };
  EXPECT_EQ(hit(150, 30), HTCAPTION);
  const RECT close = window.Manager().LayoutToClient(window.Find(L"closebtn")->GetPos());
  EXPECT_EQ(hit((close.left + close.right) / 2, (close.top + close.bottom) / 2), HTCLIENT);
  ::DestroyWindow(hwnd);
}

TEST(SkinnedWindow, MinimiseAndRestoreKeepWorking) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  uitest::Pump();
  EXPECT_TRUE(::IsIconic(hwnd));
  ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  uitest::Pump();
  EXPECT_FALSE(::IsIconic(hwnd));
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 420);
  ::DestroyWindow(hwnd);
}

TEST(BadSkin, MalformedOrMissingLayoutGivesAnEmptyWindowAndALogLine) {
  for (const wchar_t* file : {L"malformed.xml", L"no_such_layout.xml"}) {
    TestWindow window(file);
    HWND hwnd = window.CreateShown();
    ASSERT_TRUE(hwnd) << file;
    EXPECT_EQ(window.Manager().GetRoot(), nullptr);
    uitest::ClickAt(hwnd, RECT{0, 0, 100, 100});
    ::DestroyWindow(hwnd);
  }
  std::string log = uitest::ReadLog();
  EXPECT_NE(log.find("layout malformed = malformed.xml"), std::string::npos);
  EXPECT_NE(log.find("skin file missing in ui_test_skin.zip = no_such_layout.xml"), std::string::npos);
}

TEST(BadSkin, AWindowThatNeedsItsLayoutIsNotMadeWithoutIt) {
  class NeedyWindow : public TestWindow {
   public:
    using TestWindow::TestWindow;
    int finalMessages = 0;

   protected:
    bool NeedsLayout() const override { return true; }
    void OnFinalMessage(HWND hWnd) override {
      ++finalMessages;
      TestWindow::OnFinalMessage(hWnd);
    }
  };
  const std::string before = uitest::ReadLog();
  const size_t refusedBefore = Occurrences(before, kRefusedLine);
  const size_t endedBefore = Occurrences(before, kEndedLine);
  // A refused window ends after its WM_CREATE has returned, inside no message.
  const std::string afterCreate = std::string(kEndedLine) + ", inside messages none]";
  const size_t afterCreateBefore = Occurrences(before, afterCreate);
  for (const wchar_t* file : {L"malformed.xml", L"no_such_layout.xml"}) {
    NeedyWindow window(file);
    EXPECT_EQ(window.CreateShown(), nullptr) << file;
    EXPECT_EQ(window.GetHWND(), nullptr) << file;
    EXPECT_EQ(window.finalMessages, 1) << file << ": the failed window is let go";
  }
  // The failed creation itself has no error code: the log says why.
  const std::string after = uitest::ReadLog();
  EXPECT_EQ(Occurrences(after, kRefusedLine), refusedBefore + 2);
  EXPECT_EQ(Occurrences(after, kEndedLine), endedBefore + 2);
  EXPECT_EQ(Occurrences(after, afterCreate), afterCreateBefore + 2);
  NeedyWindow whole(L"window.xml");
  HWND hwnd = whole.CreateShown();
  ASSERT_TRUE(hwnd) << "a layout that builds makes the window";
  ::DestroyWindow(hwnd);
  EXPECT_EQ(whole.finalMessages, 1);
  EXPECT_EQ(Occurrences(uitest::ReadLog(), kEndedLine), endedBefore + 2) << "an ordinary end is not reported";
}

TEST(BadSkin, AWindowDestroyedWhileItIsCreatedSaysSoInTheLog) {
  class ShortLivedWindow : public TestWindow {
   public:
    using TestWindow::TestWindow;

   protected:
    void InitWindow() override { ::DestroyWindow(m_hWnd); }
  };
  const std::string before = uitest::ReadLog();
  ShortLivedWindow window(L"window.xml");
  EXPECT_EQ(window.CreateShown(), nullptr);
  const std::string after = uitest::ReadLog();
  EXPECT_EQ(Occurrences(after, kEndedLine), Occurrences(before, kEndedLine) + 1);
  EXPECT_EQ(Occurrences(after, kRefusedLine), Occurrences(before, kRefusedLine)) << "its WM_CREATE did not refuse it";
  // It names the message it ended in: WM_CREATE, the outermost and only one.
  const std::string inCreate = std::string(kEndedLine) + ", inside messages 0x1]";
  EXPECT_EQ(Occurrences(after, inCreate), Occurrences(before, inCreate) + 1);
}

TEST(BadSkin, MissingImagesUnknownControlsAndBadValuesLeaveAPartialWindow) {
  TestWindow window(L"missing_image.xml");
  HWND hwnd = window.CreateShown();
  ASSERT_TRUE(window.Manager().GetRoot());
  CControlUI* bad = window.Find(L"bad");
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->GetFixedWidth(), 0);
  EXPECT_TRUE(bad->IsVisible());
  EXPECT_EQ(static_cast<CLabelUI*>(bad->GetInterface(L"Label"))->GetTextColor(), 0xFF000000u);
  EXPECT_EQ(window.Find(L"unknown"), nullptr);
  EXPECT_EQ(window.Find(L"broken")->GetText(), L"still here");
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  std::string log = uitest::ReadLog();
  EXPECT_NE(log.find("no_such_image.png"), std::string::npos);
  EXPECT_NE(log.find("image not decodable = broken.png"), std::string::npos);
  EXPECT_NE(log.find("unknown control skipped = Widget"), std::string::npos);
  EXPECT_NE(log.find("bad value of width = wide"), std::string::npos);
  ::DestroyWindow(hwnd);
}

TEST(BadSkin, MissingArchiveLogsAndBuildsNothing) {
  CPaintManagerUI::SetResourceZip(L"no_such_archive.zip");
  CDialogBuilder builder;
  EXPECT_EQ(builder.Create(L"window.xml"), nullptr);
  uitest::UseFixtureSkin();
  EXPECT_NE(uitest::ReadLog().find("skin archive missing or unreadable"), std::string::npos);
}
