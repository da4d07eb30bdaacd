// The verdict rules of every check and the machine grades. Texts come from a
// lookup that answers each key with the key itself, and each format key with
// its key and the arguments it received, so every line shows which text and
// which figures the rule chose.
#include <gtest/gtest.h>

#include <cstdio>

#include "corekit/textconv.h"
#include "probes/local/conflicting_program.h"
#include "probes/local/cpu_info.h"
#include "probes/local/device_list.h"
#include "probes/local/disk_space.h"
#include "probes/local/display_adapter.h"
#include "probes/local/memory_info.h"
#include "probes/local/os_version.h"
#include "probes/net/adapter_info.h"
#include "probes/net/ip_site_findings.h"
#include "probes/net/server_net_findings.h"
#include "verdict/item_verdict.h"
#include "verdict_text_support.h"

namespace {

using testing_support::KeyText;

const wchar_t kHidden[] = L"-";

// Code, height and the four lines ("-" for a hidden line).
struct Shown {
  int code;
  int height;
  std::vector<std::wstring> lines;
};

Shown Show(const ItemVerdict& verdict) {
  Shown shown{verdict.nCode, verdict.nHeight, {}};
  for (const auto& line : verdict.lines) shown.lines.push_back(line ? *line : kHidden);
  return shown;
}

void ExpectShown(const ItemVerdict& verdict, int code, int height, std::vector<std::wstring> lines,
                 const std::string& label) {
  const Shown shown = Show(verdict);
  EXPECT_EQ(shown.code, code) << label;
  EXPECT_EQ(shown.height, height) << label;
  EXPECT_EQ(shown.lines, lines) << label;
  EXPECT_STREQ(verdict.szIcon, StateIconImage(code)) << label;
}

// The 14 x 14 cell of the state icon sprite each code shows.
TEST(Verdicts, EachCodeShowsItsIconCell) {
  EXPECT_STREQ(StateIconImage(VERDICT_FAILURE), L"file='state_icon.png' source='14,0,28,14'");
  EXPECT_STREQ(StateIconImage(VERDICT_WARNING), L"file='state_icon.png' source='28,0,42,14'");
  EXPECT_STREQ(StateIconImage(VERDICT_PASS), L"file='state_icon.png' source='42,0,56,14'");
}

TEST(Verdicts, ProcessorGrades) {
  struct Row {
    int cores, logical;
    long long hz;
    int grade;
  } rows[] = {
      {2, 2, 2500000000LL, 0},   // speed 3, count 1, capacity 5.0 -> 0
      {2, 2, 3000000000LL, 1},   // capacity 6.0 -> 1
      {4, 8, 1800000000LL, 2},   // speed 2, count 3, capacity 10.8 -> 2
      {4, 8, 2400000000LL, 3},   // capacity exactly 14.4 -> 3
      {4, 8, 2390000000LL, 2},
      {2, 4, 3200000000LL, 2},   // count 2; capacity 9.6 -> 2
      // Capacity exactly 9 GHz -> 2, from whole-MHz clocks.
      {2, 4, 3000000000LL, 2},
      {4, 4, 2250000000LL, 2},
      {3, 6, 2000000000LL, 2},
      {4, 5, 2000000000LL, 2},
      {4, 6, 1800000000LL, 2},
      {5, 5, 1800000000LL, 2},
      {5, 5, 1799000000LL, 1},
      {8, 16, 2000000000LL, 3},  // speed 3 from exactly 2.0 GHz
      {8, 16, 1999000000LL, 2},
      {3, 3, 4000000000LL, 1},   // count 1 from 3 logical processors
      {3, 8, 4000000000LL, 2},   // count 3 needs 4 cores and 8 threads
      {4, 7, 4000000000LL, 2},
      {8, 16, 1590000000LL, 2},  // speed 2 from exactly 1.59 GHz
      {8, 16, 1589000000LL, 1},
      {8, 16, 1290000000LL, 1},  // speed 1 from exactly 1.29 GHz
      {8, 16, 1280000000LL, 0},
      {1, 1, 4000000000LL, 0},   // a single logical processor counts 0
      {0, 4, 3000000000LL, 0},   // no core count: no data
  };
  for (const Row& row : rows) {
    CpuInfoFindings cpu;
    cpu.m_nCoreCount = row.cores;
    cpu.m_nLogicalCount = row.logical;
    cpu.m_llClockHz = row.hz;
    EXPECT_EQ(GetCpuGrade(&cpu), row.grade) << row.cores << "/" << row.logical << " at " << row.hz;
  }
  EXPECT_EQ(GetCpuGrade(nullptr), 0);
}

TEST(Verdicts, MemoryGrades) {
  struct Row {
    unsigned long long bytes;
    int grade;
  } rows[] = {
      {8589934592ULL, 3},  // 8 GiB: M ~ 8589.9
      {8000000000ULL, 3},
      {7999000000ULL, 2},
      {4294967296ULL, 2},  // 4 GiB
      {4000000000ULL, 2},
      {3999000000ULL, 1},
      {2147483648ULL, 1},  // 2 GiB
      {2000000000ULL, 1},
      {1999000000ULL, 0},
      {1900000000ULL, 0},
      {0, 0},
  };
  for (const Row& row : rows) {
    MemoryInfoFindings memory;
    memory.m_ullTotalPhys = row.bytes;
    EXPECT_EQ(GetMemoryGrade(&memory), row.grade) << row.bytes;
  }
  EXPECT_EQ(GetMemoryGrade(nullptr), 0);
}

TEST(Verdicts, Processor) {
  CpuInfoFindings weak;
  weak.m_strName = L"Slow CPU";
  weak.m_nCoreCount = 2;
  weak.m_nLogicalCount = 2;
  weak.m_llClockHz = 2500000000LL;
  ExpectShown(JudgeCpu(weak, KeyText), VERDICT_FAILURE, 133,
              {L"s.detect.not.pass", L"s.fmt.detect.cpu.e.1(Slow CPU|2|2.500)", L"s.detect.cpu.sln.1", kHidden},
              "grade 0");

  CpuInfoFindings cpu = weak;
  cpu.m_strName = L"Fast CPU";
  cpu.m_llClockHz = 3000000000LL;
  const std::wstring line = L"s.fmt.detect.cpu.pass.item(Fast CPU|2|3.000)";
  struct Row {
    int other, total, code, height;
    std::vector<std::wstring> lines;
  } rows[] = {
      {19, 84, VERDICT_PASS, 133, {L"s.detect.pass", L"s.detect.cpu.less.20.per", line, kHidden}},
      {20, 10, VERDICT_FAILURE, 153, {L"s.detect.not.pass", L"s.detect.cpu.e.2", L"s.detect.cpu.sln.2", line}},
      {5, 85, VERDICT_FAILURE, 153, {L"s.detect.not.pass", L"s.detect.cpu.more.85.per", L"s.detect.cpu.sln.2", line}},
      {20, 85, VERDICT_FAILURE, 153, {L"s.detect.not.pass", L"s.detect.cpu.e.2", L"s.detect.cpu.sln.2", line}},
  };
  for (const Row& row : rows) {
    cpu.m_nMinOtherUsage = row.other;
    cpu.m_nMinTotalUsage = row.total;
    const ItemVerdict verdict = JudgeCpu(cpu, KeyText);
    ExpectShown(verdict, row.code, row.height, row.lines,
                "usage " + std::to_string(row.other) + "/" + std::to_string(row.total));
    EXPECT_STREQ(verdict.szInset, L"2,18,30,30");
  }
  EXPECT_STREQ(JudgeCpu(weak, KeyText).szInset, L"2,18,30,30");
}

TEST(Verdicts, Memory) {
  struct Row {
    unsigned long long bytes;
    int code, height;
    std::vector<std::wstring> lines;
  } rows[] = {
      {0, VERDICT_FAILURE, 103,
       {L"s.detect.not.pass", L"s.fmt.detect.mem.less.500(0)", L"s.detect.mem.sln.1", kHidden}},
      {524183142ULL, VERDICT_FAILURE, 103,  // 499.9 MB
       {L"s.detect.not.pass", L"s.fmt.detect.mem.less.500(499)", L"s.detect.mem.sln.1", kHidden}},
      {500ULL << 20, VERDICT_PASS, 65, {L"s.detect.pass", L"s.fmt.detect.mem.mb(500)", kHidden, kHidden}},
      {1024ULL << 20, VERDICT_PASS, 65, {L"s.detect.pass", L"s.fmt.detect.mem.mb(1024)", kHidden, kHidden}},
      {1536ULL << 20, VERDICT_PASS, 65, {L"s.detect.pass", L"s.fmt.detect.mem.gb(1.500)", kHidden, kHidden}},
  };
  for (const Row& row : rows) {
    MemoryInfoFindings memory;
    memory.m_ullAvailPhys = row.bytes;
    ExpectShown(JudgeMemory(memory, KeyText), row.code, row.height, row.lines, std::to_string(row.bytes));
  }
}

std::vector<DeviceEntry> Devices(std::vector<std::wstring> names) {
  std::vector<DeviceEntry> devices;
  for (auto& name : names) devices.push_back(DeviceEntry{L"", name, 0});
  return devices;
}

TEST(Verdicts, NamesAreJoinedWithTheSeparatorOfTheTable) {
  const std::wstring comma = L"\uFF0C";
  EXPECT_EQ(JoinNames({}, comma), L"");
  EXPECT_EQ(JoinNames({L"Mic A"}, comma), L"Mic A");
  EXPECT_EQ(JoinNames({L"Mic A", L"Mic B"}, L", "), L"Mic A, Mic B");
  // An empty name adds nothing but keeps its separators.
  EXPECT_EQ(JoinNames({L"A", L"", L"C"}, comma), L"A\uFF0C\uFF0CC");
  EXPECT_EQ(JoinNames({L"", L"B"}, comma), L"\uFF0CB");
  EXPECT_EQ(JoinDeviceNames(Devices({L"Cam 1", L"Cam 2"}), comma), L"Cam 1\uFF0CCam 2");
  // The table's separator; a table without one keeps the full-width comma.
  EXPECT_EQ(NameSeparator(KeyText), L"s.list.separator");
  EXPECT_EQ(NameSeparator([](const char*) { return std::wstring(); }), comma);
}

TEST(Verdicts, Audio) {
  const std::wstring mics = L"s.fmt.detect.audio.mic(Mic As.list.separatorMic B)";
  const std::wstring speakers = L"s.fmt.detect.audio.speaker(Speakers)";
  const std::wstring level = L"s.fmt.detect.audio.mic.level(-42)";
  const std::wstring micSilent = L"s.detect.audio.mic.silent", micRemedy = L"s.detect.audio.sln.mic.silent";
  const std::wstring speakerMuted = L"s.detect.audio.speaker.muted";
  struct Row {
    std::vector<std::wstring> inputs, outputs;
    int code, height;
    std::vector<std::wstring> lines;
    int capture = MIC_NOT_MEASURED;
    std::optional<double> levelDb = std::nullopt;
    std::optional<bool> muted = std::nullopt;
    std::optional<int> volume = std::nullopt;
  } rows[] = {
      {{}, {}, VERDICT_FAILURE, 123,
       {L"s.detect.not.pass", L"s.detect.audio.no.mic", L"s.detect.audio.sln.mic", kHidden}},
      {{}, {L"Speakers"}, VERDICT_FAILURE, 123,
       {L"s.detect.not.pass", L"s.detect.audio.no.mic", L"s.detect.audio.sln.mic", speakers}},
      {{L"Mic A", L"Mic B"}, {}, VERDICT_FAILURE, 123,
       {L"s.detect.not.pass", L"s.detect.audio.no.speaker", L"s.detect.audio.sln.1", mics}},
      {{L"Mic A", L"Mic B"}, {L"Speakers"}, VERDICT_PASS, 150, {L"s.detect.pass", mics, speakers, kHidden}},
      // A quiet signal is no fault; the level is rounded to whole dB.
      {{L"Mic A", L"Mic B"}, {L"Speakers"}, VERDICT_PASS, 150, {L"s.detect.pass", mics, speakers, level},
       MIC_SIGNAL, -41.6, false, 1},
      {{L"Mic A", L"Mic B"}, {L"Speakers"}, VERDICT_PASS, 150,
       {L"s.detect.pass", mics, speakers, L"s.detect.audio.mic.unmeasured"}, MIC_FAILED},
      {{L"Mic A", L"Mic B"}, {L"Speakers"}, VERDICT_WARNING, 150,
       {L"s.detect.get.problem", micSilent, micRemedy, speakers}, MIC_SILENT, std::nullopt, false, 80},
      {{L"Mic A", L"Mic B"}, {L"Speakers"}, VERDICT_WARNING, 150,
       {L"s.detect.get.problem", micSilent, micRemedy, speakerMuted}, MIC_DENIED, std::nullopt, true},
      {{L"Mic A", L"Mic B"}, {L"Speakers"}, VERDICT_WARNING, 150,
       {L"s.detect.get.problem", speakerMuted, speakers, level}, MIC_SIGNAL, -42.4, true, 100},
      {{L"Mic A", L"Mic B"}, {L"Speakers"}, VERDICT_WARNING, 150,
       {L"s.detect.get.problem", speakerMuted, speakers, mics}, MIC_NOT_MEASURED, std::nullopt, std::nullopt, 0},
      // No microphone: the missing device decides, whatever the speaker says.
      {{}, {L"Speakers"}, VERDICT_FAILURE, 123,
       {L"s.detect.not.pass", L"s.detect.audio.no.mic", L"s.detect.audio.sln.mic", speakers},
       MIC_NOT_MEASURED, std::nullopt, true, 0},
  };
  for (const Row& row : rows) {
    AudioDeviceFindings audio;
    audio.m_vecAudioInput = Devices(row.inputs);
    audio.m_vecAudioOutput = Devices(row.outputs);
    audio.m_nMicCapture = row.capture;
    audio.m_dMicLevelDb = row.levelDb;
    audio.m_bSpeakerMuted = row.muted;
    audio.m_nSpeakerVolumePercent = row.volume;
    ExpectShown(JudgeAudio(audio, KeyText), row.code, row.height, row.lines,
                std::to_string(row.inputs.size()) + " in, " + std::to_string(row.outputs.size()) + " out, capture " +
                    std::to_string(row.capture));
  }
}

TEST(Verdicts, Camera) {
  VideoDeviceFindings video;
  ExpectShown(JudgeVideo(video, KeyText), VERDICT_WARNING, 103,
              {L"s.detect.get.problem", L"s.detect.video.no.cam", L"s.detect.video.sln", kHidden}, "no camera");
  video.m_vecVideoInput = Devices({L"Cam 1", L"Cam 2"});
  ExpectShown(JudgeVideo(video, KeyText), VERDICT_PASS, 65,
              {L"s.detect.pass", L"s.fmt.detect.video(Cam 1s.list.separatorCam 2)", kHidden, kHidden}, "two cameras");
}

TEST(Verdicts, Disk) {
  const unsigned long long GB = 1ULL << 30;
  struct Row {
    unsigned long long app, win;
    int code, height;
    std::vector<std::wstring> lines;
  } rows[] = {
      {GB / 2, 9 * GB, VERDICT_FAILURE, 150,
       {L"s.detect.not.pass", L"s.fmt.detect.disk.less.gb(0.500)", L"s.fmt.detect.disk.less.10gb(9.000)",
        L"s.detect.disk.sln"}},
      {GB / 2, 20 * GB, VERDICT_FAILURE, 150,
       {L"s.detect.not.pass", L"s.fmt.detect.disk.less.gb(0.500)", L"s.detect.disk.sln",
        L"s.fmt.detect.disk.more.1(20.000)"}},
      // A figure below its limit is cut to the tenth, so it never reads as the limit.
      {5 * GB, 9 * GB + 97 * GB / 100, VERDICT_WARNING, 150,
       {L"s.detect.get.problem", L"s.fmt.detect.disk.less.10gb(9.900)", L"s.detect.disk.sln",
        L"s.fmt.detect.disk.more(5.000)"}},
      {96 * GB / 100, 20 * GB + GB / 20, VERDICT_FAILURE, 150,
       {L"s.detect.not.pass", L"s.fmt.detect.disk.less.gb(0.900)", L"s.detect.disk.sln",
        L"s.fmt.detect.disk.more.1(20.050)"}},
      {GB, 10 * GB, VERDICT_PASS, 103,  // exactly 1 GB and 10 GB are enough
       {L"s.detect.pass", L"s.fmt.detect.disk.more(1.000)", L"s.fmt.detect.disk.more.1(10.000)", kHidden}},
      {GB - 1024, 10 * GB, VERDICT_FAILURE, 150,
       {L"s.detect.not.pass", L"s.fmt.detect.disk.less.gb(0.900)", L"s.detect.disk.sln",
        L"s.fmt.detect.disk.more.1(10.000)"}},
  };
  for (const Row& row : rows) {
    DiskSpaceFindings disk;
    disk.m_ullAppDataDriveFree = row.app;
    disk.m_ullWinDriveFree = row.win;
    ExpectShown(JudgeDisk(disk, KeyText), row.code, row.height, row.lines,
                std::to_string(row.app) + " / " + std::to_string(row.win));
  }
}

TEST(Verdicts, Display) {
  DisplayAdapterFindings display;
  ExpectShown(JudgeDisplay(display, KeyText), VERDICT_WARNING, 103,
              {L"s.detect.get.problem", L"s.detect.display.err", L"s.detect.display.sln", kHidden}, "no adapter");
  auto adapter = std::make_unique<DisplayAdapterInfo>();
  adapter->strDescription = L"Built-in";
  adapter->nWidth = 1366;
  adapter->nHeight = 768;
  display.m_vecDisplayAdapter.push_back(std::move(adapter));
  ExpectShown(JudgeDisplay(display, KeyText), VERDICT_WARNING, 103,
              {L"s.detect.get.problem", L"s.fmt.detect.display.1(1366|768|Built-in)", L"s.detect.display.sln", kHidden},
              "internal");
  display.m_vecDisplayAdapter[0]->bExternalDac = 1;
  ExpectShown(JudgeDisplay(display, KeyText), VERDICT_PASS, 65,
              {L"s.detect.pass", L"s.fmt.detect.display(1366|768|Built-in)", kHidden, kHidden}, "external");
}

TEST(Verdicts, OperatingSystem) {
  struct Row {
    int major, minor, supported;
    std::wstring name;
    int code, height;
    std::vector<std::wstring> lines;
  } rows[] = {
      {6, 3, 1, L"Windows 8.1", VERDICT_WARNING, 103, {L"s.detect.get.problem", L"s.detect.sys.win8", kHidden, kHidden}},
      {6, 2, 1, L"Microsoft Windows 8 Pro", VERDICT_WARNING, 103,
       {L"s.detect.get.problem", L"s.detect.sys.win8", kHidden, kHidden}},
      // A name with an "8" is not Windows 8.
      {6, 1, 1, L"Microsoft Windows Server 2008 R2 Standard", VERDICT_PASS, 65,
       {L"s.detect.pass", L"s.fmt.detect.sys.pass(Microsoft Windows Server 2008 R2 Standard)", kHidden, kHidden}},
      {10, 0, 1, L"Windows 10", VERDICT_PASS, 65, {L"s.detect.pass", L"s.fmt.detect.sys.pass(Windows 10)", kHidden, kHidden}},
      {6, 0, 0, L"Microsoft Windows Vista", VERDICT_FAILURE, 103,
       {L"s.detect.not.pass", L"s.fmt.detect.sys.err(Microsoft Windows Vista)", L"s.detect.sys.sln", kHidden}},
  };
  for (const Row& row : rows) {
    SystemInfoFindings system;
    system.m_nMajorVersion = row.major;
    system.m_nMinorVersion = row.minor;
    system.m_bSupported = row.supported;
    system.m_strOsName = row.name;
    ExpectShown(JudgeSystem(system, KeyText), row.code, row.height, row.lines, corekit::WideToUtf8(row.name));
  }
}

TEST(Verdicts, NetworkAdapter) {
  NetAdapterFindings none;
  none.m_bNetWorkConnected = 1;
  ExpectShown(JudgeNetAdapter(none, KeyText), VERDICT_FAILURE, 126,
              {L"s.detect.not.pass", L"s.detect.net.adapter.none", L"s.detect.net.adapter.sln.1", kHidden}, "none");

  NetAdapterFindings adapters;
  for (const wchar_t* description : {L"Wired", L"", L"Wireless"}) adapters.m_adapters.push_back({L" ", description, L""});
  adapters.m_bNetWorkConnected = 1;
  const ItemVerdict connected = JudgeNetAdapter(adapters, KeyText);
  ExpectShown(connected, VERDICT_PASS, 126,
              {L"s.detect.pass", L"s.fmt.detect.net.adapter.pass(Wireds.list.separators.list.separatorWireless)", kHidden, kHidden},
              "connected");
  EXPECT_TRUE(connected.vecLog.empty());

  // Not connected: an adapter without a description brings no separator.
  adapters.m_bNetWorkConnected = 0;
  const ItemVerdict offline = JudgeNetAdapter(adapters, KeyText);
  ExpectShown(offline, VERDICT_FAILURE, 126,
              {L"s.detect.not.pass", L"s.fmt.detect.net.adapter.err(Wireds.list.separatorWireless)",
               L"s.detect.net.adapter.sln.2", kHidden},
              "offline");
  EXPECT_EQ(offline.vecLog, (std::vector<std::string>{"pNetAdapterHandler->m_adapters.size() = 3",
                                                      "strAdapters = Wireds.list.separatorWireless"}));
}

TEST(Verdicts, PublicAddress) {
  const std::wstring ip = L"203.0.113.7";
  const std::wstring china = L"\u4E2D\u56FD", guangdong = L"\u5E7F\u4E1C", shenzhen = L"\u6DF1\u5733",
                     telecom = L"\u7535\u4FE1", hongkong = L"\u9999\u6E2F", mobile = L"\u79FB\u52A8";
  struct Row {
    bool finish;
    std::wstring ip;
    std::vector<std::wstring> region;
    int code, height;
    std::vector<std::wstring> lines;
  } rows[] = {
      {false, ip, {china, guangdong, shenzhen, telecom}, VERDICT_FAILURE, 65,
       {L"s.detect.canceled", kHidden, kHidden, kHidden}},
      {true, L"", {china, guangdong, shenzhen, telecom}, VERDICT_FAILURE, 103,
       {L"s.detect.not.pass", L"s.detect.ip.err.disconnect", L"s.detect.ip.sln.1", kHidden}},
      {true, ip, {}, VERDICT_FAILURE, 103,
       {L"s.detect.not.pass", L"s.detect.ip.err.disconnect", L"s.detect.ip.sln.1", kHidden}},
      {true, ip, {china, guangdong, shenzhen, telecom}, VERDICT_PASS, 65,
       {L"s.detect.pass", L"s.detect.pass.head" + shenzhen + telecom + L" " + ip, kHidden, kHidden}},
      {true, ip, {china, mobile}, VERDICT_PASS, 65,  // fewer than three parts: all of them
       {L"s.detect.pass", L"s.detect.pass.head" + china + mobile + L" " + ip, kHidden, kHidden}},
      {true, ip, {china, guangdong, mobile}, VERDICT_PASS, 65,  // three parts: from the third on
       {L"s.detect.pass", L"s.detect.pass.head" + mobile + L" " + ip, kHidden, kHidden}},
      {true, ip, {china, hongkong, L"PCCW"}, VERDICT_WARNING, 103,
       {L"s.detect.get.problem", L"s.fmt.detect.ip.other(" + china + hongkong + L"PCCW|" + ip + L")",
        L"s.detect.ip.sln", kHidden}},
      // The carrier must match whole.
      {true, ip, {china, guangdong, telecom + L" "}, VERDICT_WARNING, 103,
       {L"s.detect.get.problem", L"s.fmt.detect.ip.other(" + china + guangdong + telecom + L" |" + ip + L")",
        L"s.detect.ip.sln", kHidden}},
  };
  for (const Row& row : rows) {
    CIPSiteFindings site;
    site.m_strClientIp = row.ip;
    site.m_vecRegion = row.region;
    ExpectShown(JudgeIpSite(site, row.finish, KeyText), row.code, row.height, row.lines,
                std::to_string(row.region.size()) + " parts");
  }
}

TEST(Verdicts, MediaServers) {
  CServerNetFindings cancelled(DefaultMediaServerSlots(), ServerNetLimits());
  ExpectShown(JudgeServerNet(cancelled, KeyText), VERDICT_FAILURE, 65,
              {L"s.detect.canceled", kHidden, kHidden, kHidden}, "cancelled");
  EXPECT_TRUE(JudgeServerNet(cancelled, KeyText).vecServerLines.empty());

  // Limits: loss 1 %, delay 35 ms. The first server is within both.
  const std::vector<std::pair<int, int>> figures = {{20, 0}, {36, 0}, {10, 2}, {50, 0}, {0, 100}, {35, 5}};
  for (int within : {1, 2}) {
    CServerNetFindings servers(DefaultMediaServerSlots(), ServerNetLimits());
    for (size_t i = 0; i < figures.size(); ++i) {
      const bool second = within == 2 && i == 1;
      servers.SetServerResult(i, second ? 35 : figures[i].first, second ? 1 : figures[i].second);
    }
    const ItemVerdict verdict = JudgeServerNet(servers, KeyText);
    if (within == 1) {
      ExpectShown(verdict, VERDICT_FAILURE, 121, {L"s.detect.not.pass", kHidden, kHidden, kHidden}, "one within");
    } else {
      ExpectShown(verdict, VERDICT_PASS, 121, {L"s.detect.pass", kHidden, kHidden, kHidden}, "two within");
    }
    ASSERT_EQ(verdict.vecServerLines.size(), 6u);
    const ServerNetInfo& first = servers.GetServerNetInfo()[0];
    EXPECT_EQ(verdict.vecServerLines[0], L"s.fmt.detect.net(" + first.strName + L"|20|0)");
    const ServerNetInfo& fifth = servers.GetServerNetInfo()[4];  // never answered: no round trip to show
    EXPECT_EQ(verdict.vecServerLines[4], L"s.fmt.detect.net.none(" + fifth.strName + L")");
  }
}

TEST(Verdicts, MediaServerSpeed) {
  const SpeedFigure fast{true, 48249, ""}, slow{true, 900, ""}, none{false, 0, "stalled"};
  const std::wstring both = L"s.fmt.detect.speed(s.fmt.detect.speed.mbps(48.249)|s.fmt.detect.speed.mbps(0.900))";
  struct Case {
    SpeedFigure down, up;
    int minDown, minUp, within;  // `within`: servers within the echo limits
    int code, height;
    std::vector<std::wstring> lines;
    const char* label;
  };
  const Case cases[] = {
      {fast, slow, 0, 0, 6, VERDICT_PASS, 146, {L"s.detect.pass", both, kHidden, kHidden}, "no least speeds"},
      {fast, slow, 1500, 900, 6, VERDICT_PASS, 146, {L"s.detect.pass", both, kHidden, kHidden}, "at the least"},
      {fast, slow, 1500, 1000, 6, VERDICT_WARNING, 171,
       {L"s.detect.get.problem", both, L"s.detect.speed.sln", kHidden}, "upload below"},
      {slow, fast, 1000, 0, 1, VERDICT_FAILURE, 171,
       {L"s.detect.not.pass",
        L"s.fmt.detect.speed(s.fmt.detect.speed.mbps(0.900)|s.fmt.detect.speed.mbps(48.249))",
        L"s.detect.speed.sln", kHidden},
       "a failure stays one"},
      {none, none, 1000, 1000, 6, VERDICT_PASS, 146,
       {L"s.detect.pass", L"s.fmt.detect.speed(s.detect.speed.none|s.detect.speed.none)", kHidden, kHidden},
       "not measured judges nothing"},
  };
  for (const Case& c : cases) {
    CServerNetFindings servers(DefaultMediaServerSlots(), ServerNetLimits());
    for (size_t i = 0; i < 6; ++i) servers.SetServerResult(i, 20, static_cast<int>(i) < c.within ? 0 : 100);
    servers.Speed() = {{"http://download.orvane.com/speed.bin", "", c.minDown, c.minUp}, c.down, c.up};
    ExpectShown(JudgeServerNet(servers, KeyText), c.code, c.height, c.lines, c.label);
  }
}

TEST(Verdicts, ConflictingProgram) {
  ProcessFindings process;
  ExpectShown(JudgeProcess(process, KeyText), VERDICT_PASS, 83,
              {L"s.detect.pass", L"s.detect.process.pass", kHidden, kHidden}, "absent");
  process.m_bFound = 1;
  const std::wstring suite = L"360\u5B89\u5168\u536B\u58EB";  // 360安全卫士
  ExpectShown(JudgeProcess(process, KeyText), VERDICT_WARNING, 103,
              {L"s.detect.get.problem", L"s.detect.problem" + suite + L"s.process.running",
               L"s.detect.ts0.sln" + suite + L"s.detect.ts0.sln.tail", kHidden},
              "running");
}

TEST(Verdicts, ASeriesThatSentNothingReachedNothing) {
  EXPECT_EQ(ServerLossPercent(0, 0), 100);
  EXPECT_EQ(ServerLossPercent(0, 100), 0);
  EXPECT_EQ(ServerLossPercent(29, 100), 29);
  EXPECT_EQ(ServerLossPercent(3, 3), 100);
}

}  // namespace
