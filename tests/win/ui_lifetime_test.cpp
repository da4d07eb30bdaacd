// Lifetimes in the UI layer: controls that listeners remove in the middle of
// input, focus changes and setters; icons, window regions and animation
// timers that are not leaked or lost.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

#include "ui_test_support.h"

using uitest::TestWindow;

namespace {

const wchar_t kTwoButtons[] =
    L"<Window size='300,100'><HorizontalLayout name='row' bkcolor='#FFFFFFFF'>"
    L"<GifAnim name='gif' float='true' pos='0,0,8,8' bkimage='anim.gif'/>"
    L"</HorizontalLayout></Window>";

// The buttons alive now, so a test sees when one is destroyed.
std::set<const void*>& LiveButtons() {
  static std::set<const void*> live;
  return live;
}

class TrackedButton : public CButtonUI {
 public:
  explicit TrackedButton(const wchar_t* name) {
    SetName(name);
    LiveButtons().insert(this);
  }
  ~TrackedButton() override { LiveButtons().erase(this); }
};

// Runs `action` for the first notification of `type` from `sender`.
class OneShotListener : public INotifyUI {
 public:
  OneShotListener(std::wstring type, std::wstring sender, std::function<void()> action)
      : m_type(std::move(type)), m_sender(std::move(sender)), m_action(std::move(action)) {}
  void Notify(TNotifyUI& msg) override {
    if (m_done || msg.sType != m_type || !msg.pSender || msg.pSender->GetName() != m_sender) return;
    m_done = true;
    m_action();
  }
  bool Fired() const { return m_done; }

 private:
  std::wstring m_type, m_sender;
  std::function<void()> m_action;
  bool m_done = false;
};

// A window with the buttons "first" and "second" side by side, "first"
// focused.
class RemovalInDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    hwnd = window.CreateShown();
    ASSERT_TRUE(hwnd);
    row = static_cast<CContainerUI*>(window.Find(L"row")->GetInterface(L"Container"));
    first = new TrackedButton(L"first");
    second = new TrackedButton(L"second");
    row->Add(first);
    row->Add(second);
    window.Manager().UpdateLayout();
    first->SetFocus();
    ASSERT_EQ(window.Manager().GetFocus(), first);
  }
  void TearDown() override {
    if (listener) window.Manager().RemoveNotifier(listener.get());
    ::DestroyWindow(hwnd);
  }
  // When `type` comes from `sender`, removes `victim` and notes whether it
  // was still alive right after.
  void RemoveOn(const wchar_t* type, const wchar_t* sender, CControlUI* victim) {
    if (listener) window.Manager().RemoveNotifier(listener.get());
    aliveAfterRemove = false;
    listener = std::make_unique<OneShotListener>(type, sender, [this, victim] {
      row->Remove(victim);
      aliveAfterRemove = LiveButtons().count(victim) == 1;
    });
    window.Manager().AddNotifier(listener.get());
  }

  TestWindow window{kTwoButtons};
  HWND hwnd = nullptr;
  CContainerUI* row = nullptr;
  TrackedButton* first = nullptr;
  TrackedButton* second = nullptr;
  std::unique_ptr<OneShotListener> listener;
  bool aliveAfterRemove = false;
};

}  // namespace

TEST_F(RemovalInDispatch, PressedControlRemovedByItsFocusListenerIsNotPressed) {
  const RECT at = second->GetPos();
  RemoveOn(DUI_MSGTYPE_SETFOCUS, L"second", second);
  uitest::ClickAt(hwnd, at);
  ASSERT_TRUE(listener->Fired());
  EXPECT_TRUE(aliveAfterRemove) << "destroyed under the press that was still using it";
  EXPECT_EQ(LiveButtons().count(second), 0u) << "destroyed once the press was handled";
  EXPECT_TRUE(window.clicks.empty());
  EXPECT_EQ(window.Manager().GetFocus(), nullptr);
  // The window goes on taking input.
  uitest::ClickAt(hwnd, first->GetPos());
  EXPECT_EQ(window.Manager().GetFocus(), first);
}

TEST_F(RemovalInDispatch, KeyboardFocusMovedToAControlItsListenerRemoves) {
  RemoveOn(DUI_MSGTYPE_SETFOCUS, L"second", second);
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_TAB, 0);
  ASSERT_TRUE(listener->Fired());
  EXPECT_TRUE(aliveAfterRemove);
  EXPECT_EQ(LiveButtons().count(second), 0u);
  EXPECT_EQ(window.Manager().GetFocus(), nullptr);
  // Outside a window message too.
  first->SetFocus();
  auto third = new TrackedButton(L"third");
  row->Add(third);
  RemoveOn(DUI_MSGTYPE_SETFOCUS, L"third", third);
  EXPECT_TRUE(window.Manager().MoveFocus(true));
  EXPECT_TRUE(aliveAfterRemove);
  EXPECT_EQ(LiveButtons().count(third), 0u);
}

TEST_F(RemovalInDispatch, HidingOrDisablingTheFocusWhoseListenerRemovesIt) {
  RemoveOn(DUI_MSGTYPE_KILLFOCUS, L"first", first);
  first->SetVisible(false);
  ASSERT_TRUE(listener->Fired());
  EXPECT_TRUE(aliveAfterRemove) << "destroyed inside its own setter";
  EXPECT_EQ(LiveButtons().count(first), 0u);
  EXPECT_EQ(window.Manager().GetFocus(), nullptr);

  second->SetFocus();
  RemoveOn(DUI_MSGTYPE_KILLFOCUS, L"second", second);
  second->SetEnabled(false);
  ASSERT_TRUE(listener->Fired());
  EXPECT_TRUE(aliveAfterRemove);
  EXPECT_EQ(LiveButtons().count(second), 0u);
  EXPECT_EQ(row->GetCount(), 1) << "the animation is left";
}

TEST(UiLifetime, SettingTheIconAgainLoadsNoNewIcons) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  ASSERT_TRUE(hwnd);
  // User32's application icon stands in for the program's.
  CPaintManagerUI::SetInstance(::GetModuleHandleW(L"user32.dll"));
  window.SetIcon(32512);
  const LRESULT big = ::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
  const LRESULT small = ::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
  window.SetIcon(32512);
  CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  EXPECT_NE(big, 0);
  EXPECT_NE(small, 0);
  EXPECT_EQ(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), big);
  EXPECT_EQ(::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), small);
  ::DestroyWindow(hwnd);
}

TEST(UiLifetime, RegionTheWindowDidNotTakeIsDeleted) {
  HRGN region = ::CreateRectRgn(0, 0, 10, 10);
  ASSERT_TRUE(region);
  HWND gone = ::CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ::DestroyWindow(gone);
  EXPECT_FALSE(GiveWindowRegion(gone, region));
  EXPECT_EQ(::GetObjectType(region), 0u) << "region leaked";
}

TEST(UiLifetime, AnimationWhoseTimerFailedPlaysWhenShownAgain) {
  TestWindow window(kTwoButtons);
  HWND hwnd = window.CreateShown();
  auto* gif = static_cast<CGifAnimUI*>(window.Find(L"gif")->GetInterface(L"GifAnim"));
  ASSERT_TRUE(gif);
  // The next frame's timer cannot be set while the manager has no window.
  window.Manager().Init(nullptr);
  TEventUI tick = {};
  tick.Type = UIEVENT_TIMER;
  tick.pSender = gif;
  tick.wParam = 1;
  gif->DoEvent(tick);
  window.Manager().Init(hwnd);
  gif->SetVisible(true);  // as a new run shows it
  const UINT frame = gif->GetCurrentFrame();
  for (int i = 0; i < 200 && gif->GetCurrentFrame() == frame; ++i) uitest::Pump(1);  // frames last 100 ms
  EXPECT_NE(gif->GetCurrentFrame(), frame);
  ::DestroyWindow(hwnd);
}
