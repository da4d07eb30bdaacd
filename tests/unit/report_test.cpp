// The run reports: the text report and the JSON report built from the
// findings and verdicts of every check, what the command line asks for, and
// the exit code of a silent run.
#include <cJSON.h>
#include <gtest/gtest.h>

#include <climits>
#include <memory>

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
#include "report/command_line.h"
#include "report/report_names.h"
#include "report/report_text.h"
#include "verdict_text_support.h"

namespace {

using testing_support::KeyText;

const std::wstring kTelecom1 = L"\u7535\u4FE1\u670D\u52A1\u5668" L"1";  // 电信服务器1
const std::wstring kQuoted = L"Mic \"USB\"\t\\ line\nbreak";

ReportItem Item(int type, int code, std::vector<ReportFinding> findings, std::vector<std::wstring> shown) {
  ReportItem item;
  item.nType = type;
  item.nCode = code;
  item.strName = L"item" + std::to_wstring(type);
  item.vecFindings = std::move(findings);
  item.vecShown = std::move(shown);
  return item;
}

// One item of every type, in display order, with findings at their limits.
RunReport SampleReport() {
  RunReport report;
  report.strVersion = "1.0.0.1";
  report.strTime = "2026-12-08T17:07:03+08:00";
  report.strComputer = L"\u6559\u5BA4-PC";  // 教室-PC
  report.strLanguage = "zh_CN";
  report.strTitleKey = "s.fmt.detect.err";
  report.strTitle = L"2 problems";
  report.strNetKey = "s.detect.net.lost";
  report.strNetLine = L"loss";
  report.strSysKey = "s.detect.sys.below.standard";
  report.strSysLine = L"below";

  MemoryInfoFindings memory;
  memory.m_ullTotalPhys = ULLONG_MAX;
  memory.m_ullAvailPhys = 0;
  CpuInfoFindings cpu;
  cpu.m_strName = L"Intel\u00AE Core";
  cpu.m_llClockHz = LLONG_MAX;
  cpu.m_nCoreCount = 4;
  DiskSpaceFindings disk;
  disk.m_ullWinDriveFree = 9007199254740993ULL;  // 2^53 + 1, beyond a double
  SystemInfoFindings system;
  system.m_strOsName = L"Windows 10";
  system.m_nMajorVersion = 10;
  AudioDeviceFindings audio;
  audio.m_vecAudioInput.push_back(DeviceEntry{L"id", kQuoted, 0});
  audio.m_nMicCapture = MIC_SIGNAL;
  audio.m_dMicLevelDb = -42.36;
  audio.m_nSpeakerVolumePercent = 35;  // its mute unknown
  VideoDeviceFindings video;
  DisplayAdapterFindings display;
  display.m_vecDisplayAdapter.push_back(std::make_unique<DisplayAdapterInfo>());
  display.m_vecDisplayAdapter.back()->strDescription = L"GPU";
  display.m_vecDisplayAdapter.back()->nRefreshRate = 60;
  NetAdapterFindings adapters;
  adapters.m_adapters.push_back(AdapterInfo{L"{guid}", L"Ethernet", L"00-11"});
  adapters.m_bNetWorkConnected = 1;
  ProcessFindings process;
  process.m_strProcessName = L"suite.exe";
  CIPSiteFindings site;
  site.m_strClientIp = L"203.0.113.7";
  site.m_vecRegion = {L"\u4E2D\u56FD", L"\u7535\u4FE1"};
  CServerNetFindings servers(DefaultMediaServerSlots(), ServerNetLimits());
  for (size_t i = 0; i < 6; ++i) servers.SetServerResult(i, 20 + static_cast<int>(i), i == 0 ? 5 : i == 4 ? 100 : 0, 1.5 * i);
  servers.Speed() = {{"http://download.orvane.com/speed.bin", "http://download.orvane.com/upload", 1500, 1000},
                     {true, 48249, ""}, {false, 0, "stalled"}};

  report.vecItems.push_back(Item(9, 3, ReportFindingsOf(servers), {L"servers slow", L"try later"}));
  report.vecItems.back().vecServers = ReportServersOf(servers);
  report.vecItems.back().speed = ReportSpeedOf(servers);
  report.vecItems.push_back(Item(8, 1, ReportFindingsOf(site), {L"address ok"}));
  report.vecItems.push_back(Item(1, 3, ReportFindingsOf(memory), {L"memory low"}));
  report.vecItems.push_back(Item(0, 2, ReportFindingsOf(cpu), {L"cpu busy"}));
  report.vecItems.push_back(Item(4, 1, ReportFindingsOf(disk), {}));
  report.vecItems.push_back(Item(6, 1, ReportFindingsOf(system), {}));
  report.vecItems.push_back(Item(2, 1, ReportFindingsOf(audio), {kQuoted}));
  report.vecItems.push_back(Item(3, 2, ReportFindingsOf(video), {}));
  report.vecItems.push_back(Item(5, 1, ReportFindingsOf(display), {}));
  report.vecItems.push_back(Item(7, 1, ReportFindingsOf(adapters), {}));
  report.vecItems.push_back(Item(10, 1, ReportFindingsOf(process), {}));
  return report;
}

using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

Json Parse(const std::string& text) { return Json(cJSON_Parse(text.c_str()), cJSON_Delete); }

const cJSON* At(const cJSON* object, const char* key) { return cJSON_GetObjectItemCaseSensitive(object, key); }

std::string StringAt(const cJSON* object, const char* key) {
  const cJSON* item = At(object, key);
  return cJSON_IsString(item) ? item->valuestring : "<not a string>";
}

// The item of `type` in the parsed report.
const cJSON* ItemOfType(const cJSON* root, int type) {
  const cJSON* item = nullptr;
  cJSON_ArrayForEach(item, At(root, "items")) {
    if (cJSON_IsNumber(At(item, "type")) && At(item, "type")->valueint == type) return item;
  }
  return nullptr;
}

// The number written after the first `"key":`, as written.
std::string NumberText(const std::string& json, const std::string& key) {
  size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) return "<missing>";
  at = json.find_first_not_of(" \t", at + key.size() + 3);
  const size_t end = json.find_first_not_of("-0123456789", at);
  return json.substr(at, end - at);
}

}  // namespace

TEST(TextReport, ListsTheRunItemByItemInDisplayOrder) {
  const std::wstring text = BuildTextReport(SampleReport(), KeyText);
  EXPECT_EQ(text.rfind(L"s.app.name1.0.0.1\r\ns.report.time 2026-12-08T17:07:03+08:00\r\n", 0), 0u) << "begins so";
  EXPECT_NE(text.find(L"s.report.computer \u6559\u5BA4-PC\r\n\r\n2 problems\r\nloss\r\nbelow\r\n"), std::wstring::npos);
  // Every item once, in the order given, with its verdict word.
  size_t last = 0;
  for (const wchar_t* head : {L"[s.report.failure] item9", L"[s.report.pass] item8", L"[s.report.failure] item1",
                              L"[s.report.warning] item0", L"[s.report.pass] item4", L"[s.report.pass] item6",
                              L"[s.report.pass] item2", L"[s.report.warning] item3", L"[s.report.pass] item5",
                              L"[s.report.pass] item7", L"[s.report.pass] item10"}) {
    const size_t at = text.find(std::wstring(L"\r\n") + head + L"\r\n");
    ASSERT_NE(at, std::wstring::npos) << head;
    EXPECT_GT(at, last) << head;
    last = at;
  }
  EXPECT_NE(text.find(L"\r\n    servers slow\r\n    try later\r\n"), std::wstring::npos);
  // A media server: name, host, round trip, loss and jitter.
  EXPECT_NE(text.find(L"    " + kTelecom1 +
                      L" (ctc1.media.orvane.com): s.report.rtt 20 ms, s.report.loss 5 %, s.report.jitter 0.0 ms\r\n"),
            std::wstring::npos)
      << text.substr(0, 600).c_str();
  EXPECT_NE(text.find(L"s.report.jitter 7.5 ms\r\n"), std::wstring::npos) << "the sixth server's jitter";
  // One that never answered has no round trip to show.
  EXPECT_NE(text.find(L"(cnc2.media.orvane.com): s.report.no.answer\r\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"s.report.jitter 7.5 ms\r\n    s.report.download 48249 kbit/s (s.report.least 1500 kbit/s), "
                      L"s.report.upload s.detect.speed.none (s.report.least 1000 kbit/s)\r\n"),
            std::wstring::npos)
      << "the speed after the servers";
  // A control character never breaks a line of its own.
  EXPECT_NE(text.find(L"    Mic \"USB\" \\ line break\r\n"), std::wstring::npos);
}

TEST(TextReport, UnpairedSurrogatesBecomeReplacementCharacters) {
  RunReport report;
  report.strComputer = std::wstring(L"A") + static_cast<wchar_t>(0xD800) + L"B";
  const std::wstring text = BuildTextReport(report, KeyText);
  EXPECT_NE(text.find(L"s.report.computer A\uFFFDB\r\n"), std::wstring::npos);
}

TEST(TextReport, ServerHostsAreReadAsUtf8) {
  // A host name from the configuration file is UTF-8, as in the JSON report.
  RunReport report;
  ReportItem item = Item(9, 3, {}, {});
  ReportServer server;
  server.strName = kTelecom1;
  server.strHost = "\xE7\x94\xB5\xE4\xBF\xA1.example";  // 电信.example
  item.vecServers.push_back(server);
  report.vecItems.push_back(item);
  const std::wstring text = BuildTextReport(report, KeyText);
  EXPECT_NE(text.find(L" (\u7535\u4FE1.example): "), std::wstring::npos);
}

TEST(JsonReport, ParsesBackWithEveryItemAndItsFindings) {
  const RunReport report = SampleReport();
  const std::string json = BuildJsonReport(report);
  const Json root = Parse(json);
  ASSERT_TRUE(root) << json;
  EXPECT_EQ(At(root.get(), "schemaVersion")->valueint, kReportSchemaVersion);
  EXPECT_EQ(StringAt(root.get(), "version"), "1.0.0.1");
  EXPECT_EQ(StringAt(root.get(), "time"), "2026-12-08T17:07:03+08:00");
  EXPECT_EQ(StringAt(root.get(), "computer"), "\xE6\x95\x99\xE5\xAE\xA4-PC");
  EXPECT_EQ(StringAt(root.get(), "language"), "zh_CN");
  EXPECT_TRUE(cJSON_IsFalse(At(root.get(), "cancelled")));

  const cJSON* summary = At(root.get(), "summary");
  EXPECT_EQ(StringAt(summary, "titleKey"), "s.fmt.detect.err");
  EXPECT_EQ(StringAt(summary, "networkKey"), "s.detect.net.lost");
  EXPECT_EQ(StringAt(summary, "system"), "below");
  EXPECT_EQ(At(summary, "failures")->valueint, 2);
  EXPECT_EQ(At(summary, "warnings")->valueint, 2);
  EXPECT_EQ(At(summary, "passes")->valueint, 7);

  ASSERT_EQ(cJSON_GetArraySize(At(root.get(), "items")), 11);
  for (int type = 0; type <= 10; ++type) EXPECT_NE(ItemOfType(root.get(), type), nullptr) << type;
  EXPECT_EQ(At(cJSON_GetArrayItem(At(root.get(), "items"), 0), "type")->valueint, 9) << "display order kept";

  // Numbers as numbers, integers exact at their limits.
  EXPECT_EQ(NumberText(json, "totalBytes"), "18446744073709551615");
  EXPECT_EQ(NumberText(json, "availableBytes"), "0");
  EXPECT_EQ(NumberText(json, "clockHz"), "9223372036854775807");
  EXPECT_EQ(NumberText(json, "windowsDriveFreeBytes"), "9007199254740993");
  EXPECT_DOUBLE_EQ(At(At(ItemOfType(root.get(), 1), "findings"), "totalBytes")->valuedouble, 18446744073709551615.0);
  const cJSON* cpu = At(ItemOfType(root.get(), 0), "findings");
  EXPECT_EQ(StringAt(cpu, "name"), "Intel\xC2\xAE Core");
  EXPECT_EQ(At(cpu, "cores")->valueint, 4);
  EXPECT_EQ(At(ItemOfType(root.get(), 0), "verdict")->valueint, 2);
  EXPECT_EQ(At(At(ItemOfType(root.get(), 5), "findings"), "refreshRateHz")->valueint, 60);

  // A name with quotes and control characters comes back as it was.
  const cJSON* microphones = At(At(ItemOfType(root.get(), 2), "findings"), "microphones");
  ASSERT_EQ(cJSON_GetArraySize(microphones), 1);
  EXPECT_EQ(std::string(cJSON_GetArrayItem(microphones, 0)->valuestring), "Mic \"USB\"\t\\ line\nbreak");
  EXPECT_EQ(cJSON_GetArraySize(At(At(ItemOfType(root.get(), 3), "findings"), "cameras")), 0);
  // What was measured of the sound, and nothing that was not.
  const cJSON* audio = At(ItemOfType(root.get(), 2), "findings");
  EXPECT_DOUBLE_EQ(At(audio, "micLevelDb")->valuedouble, -42.4);
  EXPECT_EQ(At(audio, "micSilent")->valueint, 0);
  EXPECT_EQ(At(audio, "speakerVolumePercent")->valueint, 35);
  EXPECT_EQ(cJSON_GetObjectItem(audio, "speakerMuted"), nullptr);
  AudioDeviceFindings unmeasured;
  unmeasured.m_nMicCapture = MIC_FAILED;
  EXPECT_EQ(ReportFindingsOf(unmeasured).size(), 2u) << "only the two device lists";
  unmeasured.m_nMicCapture = MIC_DENIED;
  unmeasured.m_bSpeakerMuted = true;
  const std::vector<ReportFinding> denied = ReportFindingsOf(unmeasured);
  ASSERT_EQ(denied.size(), 4u);
  EXPECT_EQ(denied[2].strKey, "micSilent");
  EXPECT_EQ(std::get<long long>(denied[2].value), 1);
  EXPECT_EQ(denied[3].strKey, "speakerMuted");

  // The media servers, with jitter.
  const cJSON* servers = At(ItemOfType(root.get(), 9), "servers");
  ASSERT_EQ(cJSON_GetArraySize(servers), 6);
  const cJSON* first = cJSON_GetArrayItem(servers, 0);
  EXPECT_EQ(StringAt(first, "name"), "\xE7\x94\xB5\xE4\xBF\xA1\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8" "1");
  EXPECT_EQ(StringAt(first, "host"), "ctc1.media.orvane.com");
  EXPECT_EQ(At(first, "roundTripMs")->valueint, 20);
  EXPECT_EQ(At(first, "lossPercent")->valueint, 5);
  EXPECT_DOUBLE_EQ(At(cJSON_GetArrayItem(servers, 5), "jitterMs")->valuedouble, 7.5);
  EXPECT_TRUE(cJSON_IsTrue(At(first, "finished")));
  EXPECT_EQ(At(ItemOfType(root.get(), 8), "servers"), nullptr) << "only the media-server item lists servers";

  // The speed: a figure only where one was measured, and the least speeds.
  const cJSON* speed = At(ItemOfType(root.get(), 9), "findings");
  EXPECT_EQ(NumberText(json, "downloadKbps"), "48249");
  EXPECT_EQ(At(speed, "uploadKbps"), nullptr);
  EXPECT_EQ(At(speed, "minDownKbps")->valueint, 1500);
  EXPECT_EQ(At(speed, "minUpKbps")->valueint, 1000);
}

TEST(JsonReport, StringsAreValidUtf8WhateverTheSystemReturned) {
  RunReport report;
  report.strComputer = std::wstring(L"PC") + static_cast<wchar_t>(0xDC00);
  report.vecItems.push_back(Item(0, 1, {{"name", std::wstring(1, static_cast<wchar_t>(0xD83D))}}, {}));
  const Json root = Parse(BuildJsonReport(report));
  ASSERT_TRUE(root);
  EXPECT_EQ(StringAt(root.get(), "computer"), "PC\xEF\xBF\xBD");
  EXPECT_EQ(StringAt(At(ItemOfType(root.get(), 0), "findings"), "name"), "\xEF\xBF\xBD");
  EXPECT_EQ(StringAt(At(root.get(), "summary"), "titleKey"), "") << "a report without a summary has no title key";
}

TEST(ReportExit, CodeFollowsTheWorstVerdict) {
  RunReport report;
  EXPECT_EQ(ReportExitCode(report), 0);
  report.vecItems.push_back(Item(0, 1, {}, {}));
  EXPECT_EQ(ReportExitCode(report), 0);
  report.vecItems.push_back(Item(1, 2, {}, {}));
  EXPECT_EQ(ReportExitCode(report), 1);
  report.vecItems.push_back(Item(2, 3, {}, {}));
  EXPECT_EQ(ReportExitCode(report), 2);
}

TEST(LaunchArguments, ModesAndRefusals) {
  EXPECT_EQ(ParseLaunchArguments({}).mode, LaunchMode::Interactive);
  const LaunchRequest report = ParseLaunchArguments({L"/REPORT", L"C:\\r\u00E9sultat.json"});
  EXPECT_EQ(report.mode, LaunchMode::SilentReport);
  EXPECT_EQ(report.strReportPath, L"C:\\r\u00E9sultat.json");
  EXPECT_EQ(ParseLaunchArguments({L"-report", L"x"}).mode, LaunchMode::SilentReport);
  EXPECT_EQ(ParseLaunchArguments({L"/?"}).mode, LaunchMode::Usage);
  for (const std::vector<std::wstring>& bad : std::vector<std::vector<std::wstring>>{
           {L"/report"}, {L"/report", L""}, {L"/report", L"a", L"b"}, {L"/x"}, {L"report.json"}, {L"/?", L"x"}}) {
    const LaunchRequest refused = ParseLaunchArguments(bad);
    EXPECT_EQ(refused.mode, LaunchMode::Refused) << bad.size();
    EXPECT_FALSE(refused.strError.empty());
  }
  EXPECT_NE(ParseLaunchArguments({L"/frobnicate"}).strError.find(L"/frobnicate"), std::wstring::npos);
  EXPECT_NE(LaunchUsage().find(L"/report <path>"), std::wstring::npos);
}

TEST(ReportNames, TimeCarriesItsOffset) {
  EXPECT_EQ(IsoTime({2026, 12, 8, 17, 7, 3, 480}), "2026-12-08T17:07:03+08:00");
  EXPECT_EQ(IsoTime({2026, 1, 2, 3, 4, 5, 0}), "2026-01-02T03:04:05+00:00");
  EXPECT_EQ(IsoTime({2026, 1, 2, 3, 4, 5, -210}), "2026-01-02T03:04:05-03:30");
}

TEST(ReportNames, DefaultFileNameHoldsComputerAndDate) {
  const ReportClock clock{2026, 12, 8, 17, 7, 3, 480};
  EXPECT_EQ(DefaultReportFileName(L"\u6559\u5BA4-PC", clock, L"txt"), L"KALTO_\u6559\u5BA4-PC_20261208-1707.txt");
  EXPECT_EQ(DefaultReportFileName(L"a/b:c\n", clock, L"json"), L"KALTO_a_b_c__20261208-1707.json");
  EXPECT_EQ(DefaultReportFileName(L"", clock, L"txt"), L"KALTO_PC_20261208-1707.txt");
}
