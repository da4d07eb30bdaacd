// The main window in-process with the real verdicts: a run of handler doubles
// that carry chosen findings, then each row's code, icon, lines and height,
// the order of the rows, the header counts and the summary; and a run
// cancelled while the public address is awaited.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/delegate_main.h"
#include "corekit/data_package.h"
#include "corekit/textconv.h"
#include "fake_handlers.h"
#include "main_window_support.h"
#include "probes/local/conflicting_program.h"
#include "probes/local/cpu_info.h"
#include "probes/local/device_list.h"
#include "probes/local/disk_space.h"
#include "probes/local/display_adapter.h"
#include "probes/local/memory_info.h"
#include "probes/local/os_version.h"
#include "probes/net/adapter_info.h"
#include "probes/net/ip_site_handler.h"
#include "probes/net/server_net_findings.h"
#include "skinkit/format_keys.h"
#include "skinkit/resource_mgr.h"
#include "verdict/item_verdict.h"

namespace {

using namespace testing_support;
namespace fmt = skinkit::fmt;

std::wstring Text(const char* key) { return DllResourceMgr::LoadStringW(key); }

// A handler double with the findings of a real check.
template <class Findings>
class Double : public FakeHandler, public Findings {
 public:
  template <class... A>
  Double(Ledger& ledger, int type, A&&... args)
      : FakeHandler(ledger, type, IsNetworkGroup(type)), Findings(std::forward<A>(args)...) {}
};

// The public-address check without its request: its own DoDetect and Stop
// run; the answer goes in through the check's own answer path at PreStart,
// unless held, when DoDetect waits for it until stopped.
class SiteDouble : public CIPSiteHandler {
 public:
  int PreStart() override {
    if (m_bHold) return 1;
    CDataPackage body(0, m_strAnswer.data(), m_strAnswer.size());
    OnRequestEnd(0, nullptr, body);
    return 1;
  }
  void Hold() { m_bHold = true; }

  std::string m_strAnswer;

 private:
  bool m_bHold = false;
};

const unsigned long long kGiB = 1ULL << 30;

// Findings of a run with failures, warnings and passes in both groups.
void FillMixedRun(IDetectHandler* handler) {
  switch (handler->GetType()) {
    case DETECT_TYPE_CPU: {  // grade 1, but other programs keep it busy: failure
      auto& cpu = dynamic_cast<CpuInfoFindings&>(*handler);
      cpu.m_strName = L"Test CPU";
      cpu.m_nCoreCount = 2;
      cpu.m_nLogicalCount = 2;
      cpu.m_llClockHz = 3000000000LL;
      cpu.m_nMinOtherUsage = 25;
      cpu.m_nMinTotalUsage = 30;
      break;
    }
    case DETECT_TYPE_MEMORY: {  // 2 GiB free of 8: pass
      auto& memory = dynamic_cast<MemoryInfoFindings&>(*handler);
      memory.m_ullAvailPhys = 2 * kGiB;
      memory.m_ullTotalPhys = 8 * kGiB;
      break;
    }
    case DETECT_TYPE_DISK: {  // a small system volume: warning
      auto& disk = dynamic_cast<DiskSpaceFindings&>(*handler);
      disk.m_ullAppDataDriveFree = 50 * kGiB;
      disk.m_ullWinDriveFree = 5 * kGiB;
      break;
    }
    case DETECT_TYPE_SYSTEM: {
      auto& system = dynamic_cast<SystemInfoFindings&>(*handler);
      system.m_nMajorVersion = 10;
      system.m_strOsName = L"Microsoft Windows 10 Pro";
      system.m_bSupported = 1;
      break;
    }
    case DETECT_TYPE_AUDIO:  // microphones but no speaker: failure
      dynamic_cast<AudioDeviceFindings&>(*handler).m_vecAudioInput = {{L"", L"Mic A", 0}, {L"", L"Mic B", 1}};
      break;
    case DETECT_TYPE_VIDEO:  // no camera: warning
      break;
    case DETECT_TYPE_DISPLAY_ADAPTER: {
      auto adapter = std::make_unique<DisplayAdapterInfo>();
      adapter->strDescription = L"Test Graphics";
      adapter->nWidth = 1920;
      adapter->nHeight = 1080;
      adapter->bExternalDac = 1;
      dynamic_cast<DisplayAdapterFindings&>(*handler).m_vecDisplayAdapter.push_back(std::move(adapter));
      break;
    }
    case DETECT_TYPE_NET_ADAPTER: {
      auto& adapters = dynamic_cast<NetAdapterFindings&>(*handler);
      adapters.m_adapters = {{L" ", L"Wired", L""}};
      adapters.m_bNetWorkConnected = 1;
      break;
    }
    case DETECT_TYPE_PROCESS:
      break;
    case DETECT_TYPE_IP_SITE:
      dynamic_cast<SiteDouble&>(*handler).m_strAnswer =
          "{\"clientIp\": \"203.0.113.7\", \"dataBlock\": {\"region\": "
          "\"\u4E2D\u56FD|\u5E7F\u4E1C|\u6DF1\u5733|\u7535\u4FE1\"}}";  // 中国|广东|深圳|电信
      break;
    case DETECT_TYPE_SERVER_NET: {  // one server within both limits: failure, on loss only
      auto& servers = dynamic_cast<CServerNetFindings&>(*handler);
      const std::pair<int, int> figures[] = {{20, 0}, {25, 5}, {30, 8}, {12, 3}, {22, 2}, {28, 50}};
      for (size_t i = 0; i < 6; ++i) servers.SetServerResult(i, figures[i].first, figures[i].second);
      break;
    }
  }
}

// The main window, reachable by the test.
class TestMain : public DelegateMain {
 public:
  CPaintManagerUI& Manager() { return m_PaintManager; }
};

// What a row shows.
struct RowLook {
  int type, code, iconLeft, height;
  std::vector<std::wstring> lines;  // "-" for a hidden line
};

class VerdictRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseProgramSkin("en_US"); }

  void SetUp() override {
    frame_ = new TestMain();
    ASSERT_NE(frame_->Create(nullptr, L"KALTO test", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 720, 480), nullptr);
    hwnd_ = frame_->GetHWND();
    DelegateDetect::Instance()->SetHandlerFactory([this](std::vector<IDetectHandler*>& handlers) {
      fakes_.clear();
      for (int type : kRunOrder) {
        IDetectHandler* handler;
        if (type == DETECT_TYPE_IP_SITE) {
          site_ = new SiteDouble();
          if (type == hold_) site_->Hold();
          handler = site_;
        } else {
          FakeHandler* fake = MakeDouble(type);
          if (type == hold_) fake->Hold();
          fakes_.push_back(fake);
          handler = fake;
        }
        FillMixedRun(handler);
        handlers.push_back(handler);
      }
    });
    list_ = static_cast<CListUI*>(Find(L"layout_display_ret"));
    ASSERT_NE(list_, nullptr);
  }

  void TearDown() override {
    for (FakeHandler* fake : fakes_) fake->Release();
    if (site_) site_->Stop();
    DestroyWindow(hwnd_);
    PumpFor(50);
  }

  FakeHandler* MakeDouble(int type) {
    switch (type) {
      case DETECT_TYPE_CPU: return new Double<CpuInfoFindings>(ledger_, type);
      case DETECT_TYPE_MEMORY: return new Double<MemoryInfoFindings>(ledger_, type);
      case DETECT_TYPE_AUDIO: return new Double<AudioDeviceFindings>(ledger_, type);
      case DETECT_TYPE_VIDEO: return new Double<VideoDeviceFindings>(ledger_, type);
      case DETECT_TYPE_DISK: return new Double<DiskSpaceFindings>(ledger_, type);
      case DETECT_TYPE_DISPLAY_ADAPTER: return new Double<DisplayAdapterFindings>(ledger_, type);
      case DETECT_TYPE_SYSTEM: return new Double<SystemInfoFindings>(ledger_, type);
      case DETECT_TYPE_NET_ADAPTER: return new Double<NetAdapterFindings>(ledger_, type);
      case DETECT_TYPE_SERVER_NET:
        return new Double<CServerNetFindings>(ledger_, type, DefaultMediaServerSlots(), ServerNetLimits());
      default: return new Double<ProcessFindings>(ledger_, type);
    }
  }

  CControlUI* Find(const wchar_t* name) { return frame_->Manager().FindControl(name); }

  CDetectItemUI* RecordAt(int index) {
    CControlUI* row = list_->GetItemAt(index);
    return row ? reinterpret_cast<CDetectItemUI*>(row->GetTag()) : nullptr;
  }

  RowLook Look(int index) {
    CDetectItemUI* record = RecordAt(index);
    RowLook look{record->m_nType, record->m_nState, record->m_pIcon->GetBkImage().source.left,
                 record->m_pLayout->GetFixedHeight(), {}};
    for (int i = 0; i < 4; ++i) {
      CControlUI* line = record->m_pDetail->GetItemAt(i);
      look.lines.push_back(line->IsVisible() ? line->GetText() : L"-");
    }
    EXPECT_FALSE(record->m_pState->IsVisible());
    EXPECT_TRUE(record->m_pDetail->IsVisible());
    return look;
  }

  std::wstring HeaderLabel(int index, int label) {
    return static_cast<CContainerUI*>(list_->GetItemAt(index))->GetItemAt(label)->GetText();
  }

  TestMain* frame_ = nullptr;
  HWND hwnd_ = nullptr;
  CListUI* list_ = nullptr;
  Ledger ledger_;
  std::vector<FakeHandler*> fakes_;
  SiteDouble* site_ = nullptr;
  int hold_ = -1;
};

void ExpectRow(const RowLook& look, int type, int code, int height, std::vector<std::wstring> lines) {
  const int iconLeft = code == VERDICT_FAILURE ? 14 : code == VERDICT_WARNING ? 28 : 42;
  EXPECT_EQ(look.type, type);
  EXPECT_EQ(look.code, code) << "type " << type;
  EXPECT_EQ(look.iconLeft, iconLeft) << "type " << type;
  EXPECT_EQ(look.height, height) << "type " << type;
  EXPECT_EQ(look.lines, lines) << "type " << type;
}

TEST_F(VerdictRunTest, AFullRunShowsEachVerdictAndTheSummary) {
  frame_->StartDetect();
  ASSERT_TRUE(PumpUntil([&] { return Find(L"control_detect")->GetTag() == DETECT_TAG_IDLE; }, 20000));
  PumpFor(100);
  ASSERT_EQ(list_->GetCount(), 2 + 2 + 2 + 9);

  // Network group: header, separator, the failed media servers, then the public address.
  EXPECT_EQ(HeaderLabel(0, 2), L"1");
  EXPECT_EQ(HeaderLabel(0, 3), Text("s.detect.pass.tal2"));
  ExpectRow(Look(2), DETECT_TYPE_SERVER_NET, VERDICT_FAILURE, 121, {Text("s.detect.not.pass"), L"-", L"-", L"-"});
  ExpectRow(Look(3), DETECT_TYPE_IP_SITE, VERDICT_PASS, 65,
            {Text("s.detect.pass"), Text("s.detect.pass.head") + L"\u6DF1\u5733\u7535\u4FE1 203.0.113.7", L"-", L"-"});
  // The server labels, in the check's server order.
  CDetectItemUI* servers = RecordAt(2);
  auto* layout = static_cast<CContainerUI*>(frame_->Manager().FindSubControlByName(servers->m_pDetail, L"net_result_layout"));
  ASSERT_NE(layout, nullptr);
  const auto& infos = dynamic_cast<CServerNetFindings&>(*fakes_.back()).GetServerNetInfo();
  ASSERT_EQ(layout->GetCount(), 6);
  EXPECT_EQ(layout->GetItemAt(0)->GetText(), skinkit::FormatText<fmt::kServerResult>(infos[0].strName, 20, 0));
  EXPECT_EQ(layout->GetItemAt(5)->GetText(), skinkit::FormatText<fmt::kServerResult>(infos[5].strName, 28, 50));

  // System group: failures (processor, audio), warnings (disk, camera), then passes, each in finishing order.
  EXPECT_EQ(HeaderLabel(4, 2), L"2");
  EXPECT_EQ(HeaderLabel(4, 3), Text("s.detect.pass.tal2"));
  EXPECT_FALSE(static_cast<CContainerUI*>(list_->GetItemAt(4))->GetItemAt(1)->IsVisible());
  const std::wstring cpuLine = skinkit::FormatText<fmt::kCpuPassItem>(std::wstring(L"Test CPU"), 2, 3.0);
  ExpectRow(Look(6), DETECT_TYPE_CPU, VERDICT_FAILURE, 153,
            {Text("s.detect.not.pass"), Text("s.detect.cpu.e.2"), Text("s.detect.cpu.sln.2"), cpuLine});
  EXPECT_EQ(RecordAt(6)->m_pLayout->GetInset().bottom, 30);
  ExpectRow(Look(7), DETECT_TYPE_AUDIO, VERDICT_FAILURE, 123,
            {Text("s.detect.not.pass"), Text("s.detect.audio.no.speaker"), Text("s.detect.audio.sln.1"),
             skinkit::FormatText<fmt::kAudioMic>(L"Mic A" + Text("s.list.separator") + L"Mic B")});
  ExpectRow(Look(8), DETECT_TYPE_DISK, VERDICT_WARNING, 150,
            {Text("s.detect.get.problem"), skinkit::FormatText<fmt::kDiskLess10Gb>(5.0), Text("s.detect.disk.sln"),
             skinkit::FormatText<fmt::kDiskMore>(50.0)});
  ExpectRow(Look(9), DETECT_TYPE_VIDEO, VERDICT_WARNING, 103,
            {Text("s.detect.get.problem"), Text("s.detect.video.no.cam"), Text("s.detect.video.sln"), L"-"});
  ExpectRow(Look(10), DETECT_TYPE_MEMORY, VERDICT_PASS, 65,
            {Text("s.detect.pass"), skinkit::FormatText<fmt::kMemGb>(2.0), L"-", L"-"});
  ExpectRow(Look(11), DETECT_TYPE_SYSTEM, VERDICT_PASS, 65,
            {Text("s.detect.pass"), skinkit::FormatText<fmt::kSysPass>(std::wstring(L"Microsoft Windows 10 Pro")), L"-",
             L"-"});
  ExpectRow(Look(12), DETECT_TYPE_DISPLAY_ADAPTER, VERDICT_PASS, 65,
            {Text("s.detect.pass"), skinkit::FormatText<fmt::kDisplay>(1920, 1080, std::wstring(L"Test Graphics")), L"-",
             L"-"});
  ExpectRow(Look(13), DETECT_TYPE_NET_ADAPTER, VERDICT_PASS, 126,
            {Text("s.detect.pass"), skinkit::FormatText<fmt::kNetAdapterPass>(std::wstring(L"Wired")), L"-", L"-"});
  ExpectRow(Look(14), DETECT_TYPE_PROCESS, VERDICT_PASS, 83, {Text("s.detect.pass"), Text("s.detect.process.pass"), L"-", L"-"});
  EXPECT_EQ(RecordAt(10)->m_pLayout->GetInset().bottom, 0);  // only the processor row changes its inset

  // The summary: three problems; loss to the servers; a machine below the standard.
  auto* panels = static_cast<CContainerUI*>(Find(L"layout_state"));
  EXPECT_TRUE(panels->GetItemAt(PANEL_PROBLEMS)->IsVisible());
  EXPECT_FALSE(panels->GetItemAt(PANEL_NO_PROBLEMS)->IsVisible());
  EXPECT_EQ(panels->GetItemAt(PANEL_PROBLEMS)->GetText(), skinkit::FormatText<fmt::kErrorCount>(3));
  EXPECT_EQ(static_cast<CLabelUI*>(Find(L"state_icon"))->GetBkImage().source.left, 84);
  EXPECT_FALSE(Find(L"label_caption_state")->IsVisible());
  EXPECT_TRUE(Find(L"label_caption_result_title")->IsVisible());
  EXPECT_EQ(Find(L"label_caption_result_line1")->GetText(), Text("s.detect.net.lost"));
  EXPECT_EQ(Find(L"label_caption_result_line2")->GetText(), Text("s.detect.sys.below.standard"));
  EXPECT_FALSE(Find(L"state_gif")->IsVisible());
  EXPECT_EQ(Find(L"control_detect")->GetText(), Text("s.detect.again"));
}

TEST_F(VerdictRunTest, ACancelWhileTheAddressIsAwaitedJudgesThatItemAsCancelled) {
  hold_ = DETECT_TYPE_IP_SITE;
  frame_->StartDetect();
  ASSERT_TRUE(PumpUntil([&] { return frame_->Items().size() == 10; }, 20000));
  PumpFor(100);
  DelegateDetect::Instance()->Cancel();
  ASSERT_TRUE(PumpUntil([&] { return Find(L"control_detect")->GetTag() == DETECT_TAG_IDLE; }, 10000));
  PumpFor(100);

  ASSERT_EQ(list_->GetCount(), 2 + 1 + 2 + 9);
  EXPECT_EQ(HeaderLabel(0, 2), L"1");
  ExpectRow(Look(2), DETECT_TYPE_IP_SITE, VERDICT_FAILURE, 65, {Text("s.detect.canceled"), L"-", L"-", L"-"});
  auto* panels = static_cast<CContainerUI*>(Find(L"layout_state"));
  EXPECT_TRUE(panels->GetItemAt(PANEL_CANCELLED)->IsVisible());
  EXPECT_EQ(Find(L"label_caption_state")->GetText(), skinkit::FormatText<fmt::kDetectedFinished>(10));
  EXPECT_FALSE(Find(L"label_caption_result_line1")->IsVisible());
  EXPECT_FALSE(Find(L"label_caption_result_line2")->IsVisible());
  EXPECT_EQ(static_cast<CLabelUI*>(Find(L"state_icon"))->GetBkImage().source.left, 0);
}

// Whether `text` shows whole in `label` as the UI layer draws it: on one
// line, or for a multi-line label in the whole lines its height holds.
::testing::AssertionResult Fits(CPaintManagerUI& manager, CLabelUI* label, const std::wstring& text) {
  RECT rc = label->GetPos();
  const RECT& padding = label->GetTextPadding();
  const float width = static_cast<float>(rc.right - rc.left - padding.left - padding.right);
  const float height = static_cast<float>(rc.bottom - rc.top - padding.top - padding.bottom);
  HDC dc = GetDC(nullptr);
  bool fits;
  Gdiplus::RectF bound;
  {
    Gdiplus::Graphics graphics(dc);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    Gdiplus::Font* font = manager.GetFont(label->GetFont());
    INT fitted = 0, lines = 0;
    if (label->IsMultiLine()) {
      format.SetFormatFlags(Gdiplus::StringFormatFlagsMeasureTrailingSpaces | Gdiplus::StringFormatFlagsLineLimit);
      graphics.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, Gdiplus::RectF(0, 0, width, height),
                             &format, &bound, &fitted, &lines);
      fits = fitted == static_cast<INT>(text.size());
    } else {
      format.SetFormatFlags(Gdiplus::StringFormatFlagsMeasureTrailingSpaces | Gdiplus::StringFormatFlagsNoWrap);
      graphics.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, Gdiplus::PointF(0, 0), &format, &bound);
      fits = bound.Width <= width && bound.Height <= height + 1;
    }
  }
  ReleaseDC(nullptr, dc);
  if (fits) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << corekit::WideToUtf8(text) << " needs " << bound.Width << " x " << bound.Height
                                       << " in " << width << " x " << height;
}

// Findings that lead to every rule row of every check, with names of
// ordinary length.
std::vector<ItemVerdict> EveryVerdict(const skinkit::TextLookup& text) {
  std::vector<ItemVerdict> all;
  CpuInfoFindings cpu;
  cpu.m_strName = L"Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz";
  cpu.m_nCoreCount = 4;
  cpu.m_nLogicalCount = 8;
  cpu.m_llClockHz = 1600000000LL;
  for (auto usage : {std::pair<int, int>{25, 30}, {5, 90}, {5, 10}}) {
    cpu.m_nMinOtherUsage = usage.first;
    cpu.m_nMinTotalUsage = usage.second;
    all.push_back(JudgeCpu(cpu, text));
  }
  cpu.m_llClockHz = 1200000000LL;
  all.push_back(JudgeCpu(cpu, text));

  for (unsigned long long free : {300ULL << 20, 900ULL << 20, 15ULL << 30}) {
    MemoryInfoFindings memory;
    memory.m_ullAvailPhys = free;
    all.push_back(JudgeMemory(memory, text));
  }
  const std::vector<DeviceEntry> mics = {{L"", L"Microphone (Realtek Audio)", 0}};
  const std::vector<DeviceEntry> speakers = {{L"", L"Speakers (Realtek Audio)", 0}};
  for (int variant = 0; variant < 4; ++variant) {
    AudioDeviceFindings audio;
    if (variant & 1) audio.m_vecAudioInput = mics;
    if (variant & 2) audio.m_vecAudioOutput = speakers;
    all.push_back(JudgeAudio(audio, text));
  }
  VideoDeviceFindings video;
  all.push_back(JudgeVideo(video, text));
  video.m_vecVideoInput = {{L"", L"Integrated Camera", 0}};
  all.push_back(JudgeVideo(video, text));
  for (auto sizes : {std::pair<unsigned long long, unsigned long long>{kGiB / 2, 8 * kGiB}, {kGiB / 2, 120 * kGiB},
                     {80 * kGiB, 8 * kGiB}, {80 * kGiB, 120 * kGiB}}) {
    DiskSpaceFindings disk;
    disk.m_ullAppDataDriveFree = sizes.first;
    disk.m_ullWinDriveFree = sizes.second;
    all.push_back(JudgeDisk(disk, text));
  }
  DisplayAdapterFindings display;
  all.push_back(JudgeDisplay(display, text));
  auto adapter = std::make_unique<DisplayAdapterInfo>();
  adapter->strDescription = L"Intel(R) UHD Graphics 620";
  adapter->nWidth = 1920;
  adapter->nHeight = 1080;
  display.m_vecDisplayAdapter.push_back(std::move(adapter));
  all.push_back(JudgeDisplay(display, text));
  display.m_vecDisplayAdapter[0]->bExternalDac = 1;
  all.push_back(JudgeDisplay(display, text));
  for (auto version : {std::pair<int, int>{6, 3}, {10, 0}, {5, 1}}) {
    SystemInfoFindings system;
    system.m_nMajorVersion = version.first;
    system.m_nMinorVersion = version.second;
    system.m_bSupported = version.first >= 6;
    system.m_strOsName = version.first == 5 ? L"Microsoft Windows XP Professional" : L"Microsoft Windows 10 Pro";
    all.push_back(JudgeSystem(system, text));
  }
  NetAdapterFindings adapters;
  all.push_back(JudgeNetAdapter(adapters, text));
  adapters.m_adapters = {{L" ", L"Realtek PCIe GbE Family Controller", L""}};
  all.push_back(JudgeNetAdapter(adapters, text));
  adapters.m_bNetWorkConnected = 1;
  all.push_back(JudgeNetAdapter(adapters, text));
  const std::wstring ip = L"203.208.172.155";
  for (const std::vector<std::wstring>& region :
       {std::vector<std::wstring>{}, {L"\u4E2D\u56FD", L"\u5E7F\u4E1C", L"\u6DF1\u5733", L"\u7535\u4FE1"},
        {L"\u4E2D\u56FD", L"\u9999\u6E2F", L"\u9999\u6E2F\u5BBD\u9891"}}) {
    CIPSiteFindings site;
    site.m_strClientIp = ip;
    site.m_vecRegion = region;
    all.push_back(JudgeIpSite(site, true, text));
  }
  all.push_back(JudgeIpSite(CIPSiteFindings(), false, text));
  CServerNetFindings servers(DefaultMediaServerSlots(), ServerNetLimits());
  for (size_t i = 0; i < 6; ++i) servers.SetServerResult(i, 1999, i % 2 ? 100 : 99);  // with and without an answer
  all.push_back(JudgeServerNet(servers, text));
  ProcessFindings process;
  all.push_back(JudgeProcess(process, text));
  process.m_bFound = 1;
  all.push_back(JudgeProcess(process, text));
  return all;
}

TEST_F(VerdictRunTest, EveryVerdictAndSummaryTextFitsItsLineInEveryLanguage) {
  frame_->StartDetect();
  ASSERT_TRUE(PumpUntil([&] { return Find(L"control_detect")->GetTag() == DETECT_TAG_IDLE; }, 20000));
  PumpFor(100);
  CPaintManagerUI& manager = frame_->Manager();
  // The results page, laid out.
  auto* root = static_cast<CContainerUI*>(Find(L"root"));
  root->GetItemAt(0)->SetVisible(false);
  root->GetItemAt(1)->SetVisible(true);
  PumpFor(200);
  // The processor row of this run shows all four lines.
  CDetectItemUI* row = RecordAt(6);
  ASSERT_EQ(row->m_nType, DETECT_TYPE_CPU);
  std::vector<CLabelUI*> lines;
  for (int i = 0; i < 4; ++i) lines.push_back(static_cast<CLabelUI*>(row->m_pDetail->GetItemAt(i)));
  auto* serverLabel = static_cast<CLabelUI*>(
      static_cast<CContainerUI*>(manager.FindSubControlByName(RecordAt(2)->m_pDetail, L"net_result_layout"))->GetItemAt(0));
  auto* title = static_cast<CLabelUI*>(static_cast<CContainerUI*>(Find(L"layout_state"))->GetItemAt(PANEL_PROBLEMS));
  auto* netLine = static_cast<CLabelUI*>(Find(L"label_caption_result_line1"));
  auto* sysLine = static_cast<CLabelUI*>(Find(L"label_caption_result_line2"));
  for (CLabelUI* label : {lines[3], serverLabel, title, netLine, sysLine}) {
    ASSERT_GT(label->GetPos().right - label->GetPos().left, 100);
  }

  for (const char* language : {"zh_CN", "zh_TW", "en_US"}) {
    DllResourceMgr::instance()->LoadSkin("kalto", language);
    for (const ItemVerdict& verdict : EveryVerdict(skinkit::LibraryText)) {
      for (int i = 0; i < 4; ++i) {
        if (!verdict.lines[i]) continue;
        EXPECT_TRUE(Fits(manager, lines[i], *verdict.lines[i])) << language;
      }
      for (const std::wstring& server : verdict.vecServerLines) {
        EXPECT_TRUE(Fits(manager, serverLabel, server)) << language;
      }
    }
    std::vector<std::wstring> summary = {
        skinkit::FormatText<fmt::kErrorCount>(11), Text("s.detect.ok"), Text("s.detect.canceled"),
        Text("s.detect.net.disconnect"), Text("s.detect.net.lost"), Text("s.detect.net.deley"),
        Text("s.detect.net.lost.1"), skinkit::FormatText<fmt::kNetOk>(Text("s.carrier.mobile")),
        skinkit::FormatText<fmt::kNetOtherSite>(std::wstring(L"\u9999\u6E2F\u5BBD\u9891")),
        skinkit::FormatText<fmt::kNetOtherSite>(Text("s.unknow")), Text("s.detect.sys.below.standard"),
        Text("s.detect.sys.ok.quality1"), Text("s.detect.sys.ok.quality2"), Text("s.detect.sys.ok.quality3")};
    auto* network = static_cast<CLabelUI*>(Find(L"label_caption_result_title"));
    EXPECT_TRUE(Fits(manager, network, Text("s.ui.result.network"))) << language;
    EXPECT_TRUE(Fits(manager, title, summary[0])) << language;
    EXPECT_TRUE(Fits(manager, title, summary[1])) << language;
    EXPECT_TRUE(Fits(manager, title, summary[2])) << language;
    for (size_t i = 3; i < 10; ++i) EXPECT_TRUE(Fits(manager, netLine, summary[i])) << language;
    for (size_t i = 10; i < summary.size(); ++i) EXPECT_TRUE(Fits(manager, sysLine, summary[i])) << language;
  }
  DllResourceMgr::instance()->LoadSkin("kalto", "en_US");
}

}  // namespace
