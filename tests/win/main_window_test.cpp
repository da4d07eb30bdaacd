// The main window in-process: its item rows, group headers, progress line and
// cancelled display during runs of handler doubles, with verdict codes
// injected per item.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>

#include "app/delegate_main.h"
#include "fake_handlers.h"
#include "main_window_support.h"
#include "skinkit/format_keys.h"
#include "skinkit/resource_mgr.h"

namespace {

using namespace testing_support;

std::wstring Text(const char* key) { return DllResourceMgr::LoadStringW(key); }

// The main window with the verdict step replaced by injected codes.
class TestMain : public DelegateMain {
 public:
  std::map<int, int> verdicts;  // type -> code; 1 (pass) when absent
  std::vector<int> judged;

  using DelegateMain::OnClick;
  CPaintManagerUI& Manager() { return m_PaintManager; }

 protected:
  void JudgeItem(IDetectHandler* handler, CDetectItemUI* record) override {
    judged.push_back(handler->GetType());
    const auto it = verdicts.find(handler->GetType());
    record->m_nState = it == verdicts.end() ? VERDICT_PASS : it->second;
  }
};

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseProgramSkin("zh_CN"); }

  void SetUp() override {
    frame_ = new TestMain();
    ASSERT_NE(frame_->Create(nullptr, L"KALTO test", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 500, 400), nullptr);
    hwnd_ = frame_->GetHWND();
    DelegateDetect::Instance()->SetHandlerFactory(FakeHandlerFactory(ledger_, fakes_, [this] {
      for (int position : holds_) fakes_[position]->Hold();
    }));
    list_ = static_cast<CListUI*>(Find(L"layout_display_ret"));
    ASSERT_NE(list_, nullptr);
    PumpFor(100);  // laid out and painted once
  }

  void TearDown() override {
    for (FakeHandler* fake : fakes_) fake->Release();
    DestroyWindow(hwnd_);  // the final message shuts the engine down and deletes the window object
    PumpFor(50);
  }

  CControlUI* Find(const wchar_t* name) { return frame_->Manager().FindControl(name); }

  // Clicks a control with mouse messages at its centre.
  void Click(CControlUI* control) {
    const RECT& r = control->GetPos();
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(hwnd_, WM_MOUSEMOVE, 0, at);
    SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(hwnd_, WM_LBUTTONUP, 0, at);
    PumpFor(50);
  }

  int Begun() const { return static_cast<int>(frame_->Items().size()); }
  bool Finished(int type) const {
    return std::count(frame_->judged.begin(), frame_->judged.end(), type) > 0;
  }
  CDetectItemUI* RecordAt(int index) {
    CControlUI* row = list_->GetItemAt(index);
    return row ? reinterpret_cast<CDetectItemUI*>(row->GetTag()) : nullptr;
  }
  std::wstring LabelText(CControlUI* container, int index) {
    CControlUI* label = container ? static_cast<CContainerUI*>(container)->GetItemAt(index) : nullptr;
    return label ? label->GetText() : L"<none>";
  }

  // Presses start and runs until the item at list position `position` has
  // begun, holding it there (and any other positions in `holds_`).
  void RunUntilBegun(int position) {
    holds_.push_back(position);
    CControlUI* start = Find(L"start_detect");
    start->SetEnabled(true);
    Click(start);
    ASSERT_TRUE(PumpUntil([&] { return Begun() == position + 1; }, 15000));
  }

  TestMain* frame_ = nullptr;
  HWND hwnd_ = nullptr;
  CListUI* list_ = nullptr;
  Ledger ledger_;
  std::vector<FakeHandler*> fakes_;
  std::vector<int> holds_;
};

TEST_F(MainWindowTest, TheFirstBeginShowsTheSystemHeaderAndTheProcessorRow) {
  RunUntilBegun(0);
  ASSERT_EQ(list_->GetCount(), 3);
  CControlUI* header = list_->GetItemAt(0);
  EXPECT_EQ(LabelText(header, 0), Text("s.detect.system"));
  EXPECT_EQ(LabelText(header, 1), Text("s.total"));
  EXPECT_EQ(LabelText(header, 2), L"9");
  EXPECT_EQ(LabelText(header, 3), Text("s.item"));
  EXPECT_EQ(list_->GetItemAt(1)->GetFixedHeight(), 1);  // the separator
  CDetectItemUI* row = RecordAt(2);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->m_nType, 0);
  EXPECT_EQ(row->m_nState, 0);
  EXPECT_EQ(row->m_pName->GetText(), Text("s.detect.cpu"));
  EXPECT_EQ(row->m_pState->GetText(), Text("s.detect.running"));
  EXPECT_FALSE(row->m_pDetail->IsVisible());
  CControlUI* progress = Find(L"label_caption_state");
  EXPECT_TRUE(progress->IsVisible());
  EXPECT_EQ(progress->GetText(), skinkit::FormatText<skinkit::fmt::kRunningRate>(1, 11));
  EXPECT_FALSE(Find(L"label_caption_result_line1")->IsVisible());
  EXPECT_TRUE(Find(L"state_gif")->IsVisible());
  EXPECT_EQ(Find(L"control_detect")->GetTag(), static_cast<UINT_PTR>(DETECT_TAG_RUNNING));
}

TEST_F(MainWindowTest, TheNetworkHeaderGoesAboveTheWholeSystemGroup) {
  holds_ = {10};
  RunUntilBegun(9);  // the public-address item, first of the network group
  CControlUI* header = list_->GetItemAt(0);
  EXPECT_EQ(LabelText(header, 0), Text("s.detect.net"));
  EXPECT_EQ(LabelText(header, 2), L"2");
  EXPECT_EQ(RecordAt(2)->m_nType, 8);
  EXPECT_EQ(LabelText(list_->GetItemAt(3), 0), Text("s.detect.system"));
  EXPECT_EQ(list_->GetCount(), 3 + 2 + 9);
  // The media-server row carries the subtree for the per-server results.
  fakes_[9]->Release();
  ASSERT_TRUE(PumpUntil([&] { return Begun() == 11; }, 5000));
  CDetectItemUI* servers = RecordAt(2);
  EXPECT_EQ(servers->m_nType, 9);
  EXPECT_NE(frame_->Manager().FindSubControlByName(servers->m_pDetail, L"net_result_layout"), nullptr);
}

TEST_F(MainWindowTest, FailuresThenWarningsThenPassesInFinishingOrder) {
  frame_->verdicts = {{1, VERDICT_FAILURE}, {2, VERDICT_WARNING}};
  RunUntilBegun(9);
  // System rows lie below the network header, its separator and its row.
  std::vector<int> types;
  for (int i = 5; i < list_->GetCount(); ++i) types.push_back(RecordAt(i)->m_nType);
  EXPECT_EQ(types, (std::vector<int>{1, 2, 0, 4, 6, 3, 5, 7, 10}));
  CControlUI* header = list_->GetItemAt(3);
  EXPECT_FALSE(static_cast<CContainerUI*>(header)->GetItemAt(1)->IsVisible());
  EXPECT_EQ(LabelText(header, 2), L"1");
  EXPECT_EQ(LabelText(header, 3), Text("s.detect.pass.tal2"));
}

TEST_F(MainWindowTest, TheNetworkGroupListsItsFailureFirstAndCountsIt) {
  frame_->verdicts = {{9, VERDICT_FAILURE}, {DETECT_TYPE_VIDEO, VERDICT_WARNING}};
  frame_->StartDetect();
  ASSERT_TRUE(PumpUntil([&] { return frame_->judged.size() == 11; }, 15000));
  // The public-address item finished first; the failed media servers move above it.
  EXPECT_EQ(RecordAt(2)->m_nType, 9);
  EXPECT_EQ(RecordAt(3)->m_nType, 8);
  CControlUI* net = list_->GetItemAt(0);
  EXPECT_EQ(LabelText(net, 0), Text("s.detect.net"));
  EXPECT_FALSE(static_cast<CContainerUI*>(net)->GetItemAt(1)->IsVisible());
  EXPECT_EQ(LabelText(net, 2), L"1");
  EXPECT_EQ(LabelText(net, 3), Text("s.detect.pass.tal2"));
  CControlUI* system = list_->GetItemAt(4);
  EXPECT_EQ(LabelText(system, 0), Text("s.detect.system"));
  EXPECT_EQ(LabelText(system, 2), L"9");
  EXPECT_EQ(LabelText(system, 3), Text("s.detect.pass.warned")) << "a warning: none failed, not all passed";
}

TEST_F(MainWindowTest, CancelAfterTheNetworkHeaderCompletesBothHeaders) {
  RunUntilBegun(9);  // the public-address item
  Click(Find(L"control_detect"));
  fakes_[9]->Release();
  ASSERT_TRUE(PumpUntil([&] { return Finished(8); }, 5000));
  PumpFor(300);
  EXPECT_EQ(Begun(), 10);
  CControlUI* net = list_->GetItemAt(0);
  EXPECT_EQ(LabelText(net, 0), Text("s.detect.net"));
  EXPECT_FALSE(static_cast<CContainerUI*>(net)->GetItemAt(1)->IsVisible());
  EXPECT_EQ(LabelText(net, 2), L"1");
  EXPECT_EQ(LabelText(net, 3), Text("s.detect.pass.tail1"));
  CControlUI* system = list_->GetItemAt(3);
  EXPECT_EQ(LabelText(system, 0), Text("s.detect.system"));
  EXPECT_FALSE(static_cast<CContainerUI*>(system)->GetItemAt(1)->IsVisible());
  EXPECT_EQ(LabelText(system, 2), L"9");
  CContainerUI* panels = static_cast<CContainerUI*>(Find(L"layout_state"));
  EXPECT_TRUE(panels->GetItemAt(PANEL_CANCELLED)->IsVisible());
  EXPECT_FALSE(panels->GetItemAt(PANEL_NO_PROBLEMS)->IsVisible()) << "no summary after a cancel";
  EXPECT_EQ(Find(L"label_caption_state")->GetText(), skinkit::FormatText<skinkit::fmt::kDetectedFinished>(10));
  EXPECT_EQ(Find(L"control_detect")->GetTag(), static_cast<UINT_PTR>(DETECT_TAG_IDLE));
}

TEST_F(MainWindowTest, TheMinimiseButtonMinimisesTheWindow) {
  Click(Find(L"minbtn"));
  EXPECT_TRUE(IsIconic(hwnd_));
  SendMessageW(hwnd_, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(hwnd_));
}

TEST_F(MainWindowTest, HeadersWithoutFailuresCountTheirRows) {
  Click(Find(L"start_detect"));  // disabled for five seconds: nothing happens
  EXPECT_EQ(Begun(), 0);
  frame_->StartDetect();
  ASSERT_TRUE(PumpUntil([&] { return frame_->judged.size() == 11; }, 15000));
  CControlUI* net = list_->GetItemAt(0);
  EXPECT_EQ(LabelText(net, 2), L"2");
  EXPECT_EQ(LabelText(net, 3), Text("s.detect.pass.tail1"));
  CControlUI* system = list_->GetItemAt(2 + 2);
  EXPECT_EQ(LabelText(system, 0), Text("s.detect.system"));
  EXPECT_EQ(LabelText(system, 2), L"9");
  EXPECT_EQ(LabelText(system, 3), Text("s.detect.pass.tail1"));
  EXPECT_EQ(Find(L"control_detect")->GetTag(), static_cast<UINT_PTR>(DETECT_TAG_IDLE));
  EXPECT_EQ(Find(L"control_detect")->GetText(), Text("s.detect.again"));
  EXPECT_FALSE(Find(L"state_gif")->IsVisible());
}

TEST_F(MainWindowTest, TheReportOfARunListsItsRowsInDisplayOrder) {
  frame_->verdicts = {{DETECT_TYPE_DISK, VERDICT_FAILURE}, {DETECT_TYPE_AUDIO, VERDICT_WARNING}};
  frame_->StartDetect();
  EXPECT_FALSE(Find(L"report_copy")->IsVisible()) << "no report while the run goes on";
  ASSERT_TRUE(PumpUntil([&] { return frame_->judged.size() == 11; }, 15000));
  EXPECT_TRUE(Find(L"report_copy")->IsVisible());
  EXPECT_TRUE(Find(L"report_save")->IsVisible());

  const RunReport report = frame_->CollectReport();
  ASSERT_EQ(report.vecItems.size(), 11u);
  // The network group above, then the system group with its failure first.
  EXPECT_TRUE(IsNetworkGroup(report.vecItems[0].nType));
  EXPECT_TRUE(IsNetworkGroup(report.vecItems[1].nType));
  EXPECT_EQ(report.vecItems[2].nType, DETECT_TYPE_DISK);
  EXPECT_EQ(report.vecItems[2].nCode, VERDICT_FAILURE);
  EXPECT_EQ(report.vecItems[2].strName, Text("s.detect.disk"));
  for (size_t i = 0; i < report.vecItems.size(); ++i) {
    EXPECT_EQ(report.vecItems[i].nType, RecordAt(static_cast<int>(i < 2 ? 2 + i : 4 + i))->m_nType) << i;
  }
  EXPECT_EQ(report.CountOf(VERDICT_WARNING), 1);
  EXPECT_EQ(report.CountOf(VERDICT_PASS), 9);
  EXPECT_FALSE(report.bCancelled);
  EXPECT_EQ(report.strTitleKey, "s.fmt.detect.err");
  EXPECT_EQ(report.strTitle, skinkit::FormatText<skinkit::fmt::kErrorCount>(1));
  EXPECT_EQ(ReportExitCode(report), 2);
  EXPECT_TRUE(std::regex_match(report.strLanguage, std::regex("zh_CN|zh_TW|en_US"))) << report.strLanguage;
  EXPECT_TRUE(std::regex_match(report.strTime, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
      << report.strTime;  // 2026-12-08T17:07:03+08:00
}

TEST_F(MainWindowTest, CancelDuringTheDisplayItemStillJudgesIt) {
  RunUntilBegun(6);  // the display adapter
  Click(Find(L"control_detect"));  // carries tag 2: cancels
  fakes_[6]->Release();
  ASSERT_TRUE(PumpUntil([&] { return Finished(5); }, 5000));
  PumpFor(300);
  EXPECT_EQ(Begun(), 7);
  EXPECT_EQ(frame_->judged.back(), 5);
  CControlUI* header = list_->GetItemAt(0);
  EXPECT_EQ(LabelText(header, 0), Text("s.detect.system"));  // no network header
  EXPECT_EQ(LabelText(header, 2), L"7");
  EXPECT_EQ(list_->GetCount(), 2 + 7);
  CContainerUI* panels = static_cast<CContainerUI*>(Find(L"layout_state"));
  EXPECT_TRUE(panels->GetItemAt(PANEL_CANCELLED)->IsVisible());
  EXPECT_FALSE(panels->GetItemAt(PANEL_RUNNING)->IsVisible());
  EXPECT_EQ(panels->GetItemAt(PANEL_CANCELLED)->GetText(), Text("s.detect.canceled"));
  EXPECT_EQ(Find(L"label_caption_state")->GetText(), skinkit::FormatText<skinkit::fmt::kDetectedFinished>(7));
  EXPECT_FALSE(Find(L"state_gif")->IsVisible());
  EXPECT_EQ(ledger_.stops[8], 1);
  EXPECT_EQ(ledger_.stops[9], 1);

  // The button now restarts, with an empty list.
  CControlUI* detect = Find(L"control_detect");
  EXPECT_EQ(detect->GetTag(), static_cast<UINT_PTR>(DETECT_TAG_IDLE));
  holds_ = {0};
  Click(detect);
  ASSERT_TRUE(PumpUntil([&] { return Begun() == 1; }, 5000));
  EXPECT_EQ(list_->GetCount(), 3);
  EXPECT_EQ(detect->GetTag(), static_cast<UINT_PTR>(DETECT_TAG_RUNNING));
}

TEST_F(MainWindowTest, TheStartButtonIsEnabledOnceAfterFiveSeconds) {
  CControlUI* start = Find(L"start_detect");
  EXPECT_FALSE(start->IsEnabled());
  PumpFor(4500);
  EXPECT_FALSE(start->IsEnabled());
  ASSERT_TRUE(PumpUntil([&] { return start->IsEnabled(); }, 2500));
  start->SetEnabled(false);
  PumpFor(5500);
  EXPECT_FALSE(start->IsEnabled());  // the timer fired once
}

TEST_F(MainWindowTest, PressingStartShowsTheResultsPage) {
  CContainerUI* root = static_cast<CContainerUI*>(Find(L"root"));
  EXPECT_TRUE(root->GetItemAt(0)->IsVisible());
  EXPECT_FALSE(root->GetItemAt(1)->IsVisible());
  // The title reads the program's name alone: the test has no version resource.
  EXPECT_EQ(Find(L"title1")->GetText(), Text("s.app.name"));
  holds_ = {0};
  CControlUI* start = Find(L"start_detect");
  start->SetEnabled(true);
  Click(start);
  EXPECT_FALSE(root->GetItemAt(0)->IsVisible());
  EXPECT_TRUE(root->GetItemAt(1)->IsVisible());
  ASSERT_TRUE(PumpUntil([&] { return Begun() == 1; }, 5000));
  CContainerUI* panels = static_cast<CContainerUI*>(Find(L"layout_state"));
  EXPECT_EQ(panels->GetItemAt(PANEL_RUNNING)->GetText(), Text("s.detect.sys.running"));
  EXPECT_EQ(Find(L"control_detect")->GetText(), Text("s.cancel.detect"));
}

TEST_F(MainWindowTest, NothingTheUserDoesMaximisesOrResizesTheWindow) {
  RECT before;
  GetWindowRect(hwnd_, &before);
  // The blue header is where the window is dragged from.
  const LPARAM header = MAKELPARAM(before.left + 20, before.top + 100);
  ASSERT_EQ(SendMessageW(hwnd_, WM_NCHITTEST, 0, header), HTCAPTION);
  const struct {
    const char* what;
    std::function<void()> act;
  } actions[] = {
      {"double-click on the header", [&] { SendMessageW(hwnd_, WM_NCLBUTTONDBLCLK, HTCAPTION, header); }},
      {"SC_MAXIMIZE", [&] { SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MAXIMIZE, 0); }},
      {"SC_MAXIMIZE from the caption", [&] { SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MAXIMIZE | HTCAPTION, header); }},
      {"ShowWindow(SW_MAXIMIZE)", [&] { ShowWindow(hwnd_, SW_MAXIMIZE); }},
      // Sizing by keyboard, as the system menu's Size does: an arrow picks
      // the right edge, four more move it, Enter ends the sizing.
      {"SC_SIZE", [&] {
         PostMessageW(hwnd_, WM_SYSCOMMAND, SC_SIZE, 0);
         for (int i = 0; i < 5; ++i) PostMessageW(hwnd_, WM_KEYDOWN, VK_RIGHT, 0);
         PostMessageW(hwnd_, WM_KEYDOWN, VK_RETURN, 0);
       }},
  };
  for (const auto& action : actions) {
    action.act();
    PumpFor(200);
    RECT after;
    GetWindowRect(hwnd_, &after);
    // Under Xvfb without a window manager a maximised window may keep its rectangle.
    EXPECT_FALSE(IsZoomed(hwnd_)) << action.what;
    EXPECT_TRUE(EqualRect(&before, &after)) << action.what << ": " << after.right - after.left << " x "
                                            << after.bottom - after.top;
    // Each way is judged on its own.
    ShowWindow(hwnd_, SW_RESTORE);
    SetWindowPos(hwnd_, nullptr, before.left, before.top, before.right - before.left, before.bottom - before.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(50);
  }
  // No edge or corner offers a sizing handle, and without a sizing frame
  // Windows neither sizes nor snaps the window.
  EXPECT_EQ(GetWindowLongW(hwnd_, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  for (int x : {before.left, (before.left + before.right) / 2, before.right - 1}) {
    for (int y : {before.top, (before.top + before.bottom) / 2, before.bottom - 1}) {
      const LRESULT hit = SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(x, y));
      EXPECT_TRUE(hit == HTCLIENT || hit == HTCAPTION) << x << "," << y << " hit " << hit;
    }
  }
}

}  // namespace
