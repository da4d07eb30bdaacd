// The pure parts of the local checks: reading WMI answers, the processor
// arithmetic, the operating-system table, the device and adapter filters,
// the drive of a folder and the process-name match.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "probes/local/audio_signal.h"
#include "probes/local/cpu_info.h"
#include "probes/local/cpu_usage.h"
#include "probes/local/device_list.h"
#include "probes/local/disk_space.h"
#include "probes/local/display_adapter.h"
#include "probes/local/os_version.h"
#include "probes/local/process_match.h"

// ---- processor -------------------------------------------------------------

TEST(ProcessorWmi, FirstInstanceGivesNameCoresAndClock) {
  WmiInstanceMap answer;
  answer[0] = {L"Intel64 Family 6", L" Intel(R) Core(TM) i5 CPU ", L"4", L"8", L"1800", L"1200"};
  answer[1] = {L"second package", L"Other", L"16", L"32", L"3000", L"3000"};
  CpuInfoFindings findings;
  EXPECT_EQ(ReadProcessorFromWmi(answer, findings), 1);
  EXPECT_EQ(findings.m_nCoreCount, 4);
  EXPECT_EQ(findings.m_nLogicalCount, 8);
  EXPECT_EQ(findings.m_llClockHz, 1800000000LL);
  EXPECT_EQ(findings.m_strName, L" Intel(R) Core(TM) i5 CPU ");
}

TEST(ProcessorWmi, EmptyAnswerKeepsFieldsAndMalformedOneAsksForTheDirectMethod) {
  CpuInfoFindings findings;
  EXPECT_EQ(ReadProcessorFromWmi(WmiInstanceMap(), findings), 1);
  EXPECT_EQ(findings.m_nCoreCount, 0);
  EXPECT_TRUE(findings.m_strName.empty());

  WmiInstanceMap shortAnswer;
  shortAnswer[0] = {L"Caption", L"Name", L"4"};
  EXPECT_EQ(ReadProcessorFromWmi(shortAnswer, findings), 0);
  EXPECT_EQ(findings.m_nCoreCount, 0);

  WmiInstanceMap unreadable;
  unreadable[0] = {L"", L"", L"", L"", L"-5", L""};
  EXPECT_EQ(ReadProcessorFromWmi(unreadable, findings), 1);
  EXPECT_EQ(findings.m_llClockHz, 0);
}

TEST(ProcessorClock, CountersGiveHzWithoutOverflowOrDivisionByZero) {
  EXPECT_EQ(ClockHzFromCounters(2400000000LL, 10000000LL, 10000000LL), 2400000000LL);
  // A performance counter running at the processor clock: the product
  // exceeds 64 bits.
  EXPECT_EQ(ClockHzFromCounters(3000000000LL, 3000000000LL, 3000000000LL), 3000000000LL);
  EXPECT_EQ(ClockHzFromCounters(2400000000LL, 10000000LL, 0), 0);
  EXPECT_EQ(ClockHzFromCounters(2400000000LL, 0, 10000000LL), 0);
  EXPECT_EQ(ClockHzFromCounters(-5, 10000000LL, 10000000LL), 0);
  EXPECT_EQ(ClockHzFromCounters(LLONG_MAX, LLONG_MAX, 1), LLONG_MAX);
  EXPECT_EQ(ClockHzFromMhz(LLONG_MAX / 10), LLONG_MAX);
}

TEST(ProcessorUsage, FiveSamplesWithAClientAtTenPercent) {
  UsageMinima minima;
  for (int total : {30, 50, 25, 40, 35}) minima.Add(total, 10);
  minima.Finish();
  EXPECT_EQ(minima.MinTotal(), 25);
  EXPECT_EQ(minima.MinOther(), 15);
  EXPECT_EQ(minima.Counted(), 5);

  UsageMinima withoutClients;
  for (int total : {30, 50, 25}) withoutClients.Add(total, 0);
  EXPECT_EQ(withoutClients.MinOther(), withoutClients.MinTotal());
}

TEST(ProcessorUsage, ClientAboveTheTotalOrNoSampleAtAllGivesZero) {
  UsageMinima minima;
  for (int total : {30, 50, 25, 40, 35}) minima.Add(total, total + 3);
  EXPECT_LT(minima.MinOther(), 0);
  minima.Finish();
  EXPECT_EQ(minima.MinOther(), 0);
  EXPECT_EQ(minima.MinTotal(), 25);

  UsageMinima none;
  none.Finish();
  EXPECT_EQ(none.MinTotal(), 0);
  EXPECT_EQ(none.MinOther(), 0);
}

TEST(ProcessorUsage, ZeroIntervalsAndProcessorCountsAreNoSample) {
  long long processPercent = -1;
  EXPECT_TRUE(ProcessUsagePercent(250, 1000, processPercent));
  EXPECT_EQ(processPercent, 25);
  EXPECT_FALSE(ProcessUsagePercent(250, 0, processPercent));
  EXPECT_TRUE(ProcessUsagePercent(-10, 1000, processPercent));
  EXPECT_EQ(processPercent, 0);
  EXPECT_TRUE(ProcessUsagePercent(LLONG_MAX, 1, processPercent));
  EXPECT_GT(processPercent, 0);

  int percent = -1;
  // Two processors, idle for 1.5 of 2 processor-seconds: 25 % busy.
  EXPECT_TRUE(SystemUsagePercent(15000000, 10000000, 2, percent));
  EXPECT_EQ(percent, 25);
  EXPECT_FALSE(SystemUsagePercent(15000000, 0, 2, percent));
  EXPECT_FALSE(SystemUsagePercent(15000000, -10, 2, percent));
  EXPECT_FALSE(SystemUsagePercent(15000000, 10000000, 0, percent));
  EXPECT_FALSE(SystemUsagePercent(15000000, 10000000, -3, percent));
  // Idle a little above the interval (clock rounding) stays within 0..100.
  EXPECT_TRUE(SystemUsagePercent(21000000, 10000000, 2, percent));
  EXPECT_EQ(percent, 0);
  EXPECT_TRUE(SystemUsagePercent(-5, 10000000, 2, percent));
  EXPECT_EQ(percent, 100);
}

TEST(ProcessorUsage, WatchedClientsMatchWholeNamesInAnyCase) {
  EXPECT_TRUE(IsWatchedClientProgram(L"morrow.exe"));
  EXPECT_TRUE(IsWatchedClientProgram(L"STAVEL.EXE"));
  EXPECT_TRUE(IsWatchedClientProgram(L"Quorin.Exe"));
  EXPECT_FALSE(IsWatchedClientProgram(L"stavel.exe.bak"));
  EXPECT_FALSE(IsWatchedClientProgram(L"pellam"));
}

// ---- operating system ------------------------------------------------------

TEST(OsVersionText, NumbersBeforeEachDot) {
  EXPECT_EQ(ParseVersionNumbers(L"10.0.19045"), (std::vector<int>{10, 0}));
  EXPECT_EQ(ParseVersionNumbers(L"6.1.7601"), (std::vector<int>{6, 1}));
  EXPECT_EQ(ParseVersionNumbers(L"10"), std::vector<int>{});
  EXPECT_EQ(ParseVersionNumbers(L"6.1"), std::vector<int>{6});
  EXPECT_EQ(ParseVersionNumbers(L"x.y.z"), (std::vector<int>{0, 0}));
  EXPECT_EQ(ParseVersionNumbers(L"99999999999.1.0"), (std::vector<int>{INT_MAX, 1}));
}

TEST(OsVersionText, WmiCaptionAndVersionDecideSupport) {
  struct Case {
    const wchar_t* caption;
    const wchar_t* version;
    int result;
    int major, minor, supported;
  } cases[] = {
      {L"Microsoft Windows 10 Pro", L"10.0.19045", 1, 10, 0, 1},
      {L"Microsoft Windows 7 Ultimate", L"6.1.7601", 1, 6, 1, 1},
      {L"Microsoft Windows Vista Business", L"6.0.6002", 1, 6, 0, 0},
      {L"Microsoft Windows Server 2008 R2 Standard", L"6.1.7601", 1, 6, 1, 1},
      {L"Microsoft Windows XP", L"5.1.2600", 1, 5, 1, 0},
      {L"Some Windows", L"10", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SystemInfoFindings findings;
    WmiInstanceMap answer;
    answer[0] = {c.caption, c.version, L"", L"", L"1"};
    EXPECT_EQ(ReadOperatingSystemFromWmi(answer, findings), c.result) << c.version;
    EXPECT_EQ(findings.m_nMajorVersion, c.major) << c.version;
    EXPECT_EQ(findings.m_nMinorVersion, c.minor) << c.version;
    EXPECT_EQ(findings.m_bSupported, c.supported) << c.version;
    if (c.result == 1) {
      EXPECT_EQ(findings.m_strOsName, c.caption);
    }
  }
  SystemInfoFindings untouched;
  EXPECT_EQ(ReadOperatingSystemFromWmi(WmiInstanceMap(), untouched), 1);
  EXPECT_TRUE(untouched.m_strOsName.empty());
  WmiInstanceMap malformed;
  malformed[0] = {L"Microsoft Windows 10 Pro", L"10.0.19045"};
  EXPECT_EQ(ReadOperatingSystemFromWmi(malformed, untouched), 0);
}

TEST(OsVersionTable, EveryRow) {
  auto name = [](unsigned long major, unsigned long minor, bool workstation, unsigned long platform = 2,
                 bool amd64 = false, bool serverR2 = false) {
    OsVersionRecord r;
    r.dwMajorVersion = major;
    r.dwMinorVersion = minor;
    r.dwPlatformId = platform;
    r.bWorkstation = workstation;
    r.bAmd64 = amd64;
    r.bServerR2 = serverR2;
    return ChooseOsName(r);
  };
  const std::wstring unknown = L"\u672A\u77E5\u64CD\u4F5C\u7CFB\u7EDF";
  struct Row {
    OsNameChoice choice;
    const wchar_t* name;
    bool supported;
  } rows[] = {
      {name(4, 0, true, 2), L"Microsoft Windows NT 4.0", false},
      {name(4, 0, true, 1), L"Microsoft Windows 95", false},
      {name(4, 0, true, 0), L"", false},
      {name(4, 10, true), L"Microsoft Windows 98", false},
      {name(4, 90, true), L"Microsoft Windows Me", false},
      {name(5, 0, true), L"Microsoft Windows 2000", false},
      {name(5, 1, true), L"Microsoft Windows XP", false},
      {name(5, 2, true, 2, true), L"Microsoft Windows XP Professional x64 Edition", false},
      {name(5, 2, false, 2, true), L"Microsoft Windows Server 2003", false},
      {name(5, 2, false, 2, false, true), L"Microsoft Windows Server 2003 R2", false},
      {name(6, 0, true), L"Microsoft Windows Vista", false},
      {name(6, 0, false), L"Microsoft Windows Server 2008", false},
      {name(6, 1, true), L"Microsoft Windows 7", true},
      {name(6, 1, false), L"Microsoft Windows Server 2008 R2", false},
      {name(6, 2, true), L"Windows 8", true},
      {name(6, 2, false), L"Windows Server 2012", false},
      {name(6, 3, true), L"Windows 8.1", true},
      {name(6, 3, false), L"Windows Server 2012 R2", false},
      {name(10, 0, true), L"Windows 10", true},
      {name(10, 0, false), L"Windows Server 2016", false},
      {name(6, 4, true), L"", false},
      {name(10, 1, true), L"", false},
      {name(5, 3, true), L"", false},
      {name(11, 0, true), unknown.c_str(), false},
      {name(7, 0, true), unknown.c_str(), false},
      {name(3, 51, true), unknown.c_str(), false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.choice.strName, row.name);
    EXPECT_EQ(row.choice.bSupported, row.supported) << row.name;
  }

  SystemInfoFindings findings;
  findings.m_strOsName = L"from WMI";
  OsVersionRecord server;
  server.dwMajorVersion = 6;
  server.dwMinorVersion = 3;
  ApplyOsVersionRecord(server, findings);
  EXPECT_EQ(findings.m_strOsName, L"Windows Server 2012 R2");
  EXPECT_EQ(findings.m_nMajorVersion, 6);
  EXPECT_EQ(findings.m_nMinorVersion, 3);
  EXPECT_EQ(findings.m_bSupported, 0);
}

// ---- devices ---------------------------------------------------------------

TEST(DeviceList, DefaultAndDirectSoundEntriesAreLeftOutButCounted) {
  const wchar_t* names[] = {L"DirectSound: Default DirectSound Device", L"Default WaveOut Device",
                            L"DirectSound: Speakers (Realtek)", L"Speakers (Realtek)"};
  std::vector<DeviceEntry> list;
  for (int i = 0; i < 4; ++i) AppendListedDevice(list, {L"@device:" + std::to_wstring(i), names[i], i});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].strFriendlyName, L"Speakers (Realtek)");
  EXPECT_EQ(list[0].nIndex, 3);
  EXPECT_EQ(list[0].strDisplayName, L"@device:3");

  EXPECT_TRUE(IsListedDeviceName(L"Microphone (Default USB)"));
  EXPECT_TRUE(IsListedDeviceName(L"default microphone"));  // case-sensitive prefix
  EXPECT_TRUE(IsListedDeviceName(L" Default"));
  EXPECT_TRUE(IsListedDeviceName(L""));  // kept with an empty name
}

TEST(MicSignal, AllZeroIsSilenceAndAnySampleIsASignalWithItsLevel) {
  CMicSignalMeter nothing;
  EXPECT_EQ(nothing.Outcome(), MIC_FAILED);  // no data is not silence

  CMicSignalMeter silent;
  const float zeros[64] = {};
  silent.Add(zeros, sizeof(zeros), SAMPLE_FLOAT32);
  silent.AddSilence(100);
  EXPECT_EQ(silent.SampleCount(), 164u);
  EXPECT_EQ(silent.Outcome(), MIC_SILENT);

  // A sine of amplitude 0.1 (mean square 0.005, about -23 dB), then one
  // bit of noise in 16-bit samples: still a signal.
  const double kTurn = 2 * std::acos(-1.0);
  std::vector<float> sine(4410);
  for (size_t i = 0; i < sine.size(); ++i) sine[i] = 0.1f * static_cast<float>(std::sin(kTurn * i * 441 / 44100));
  CMicSignalMeter tone;
  tone.Add(sine.data(), sine.size() * sizeof(float) + 3, SAMPLE_FLOAT32);  // a partial sample is ignored
  EXPECT_EQ(tone.SampleCount(), sine.size());
  EXPECT_EQ(tone.Outcome(), MIC_SIGNAL);
  EXPECT_NEAR(tone.LevelDb(), 10 * std::log10(0.005), 0.01);

  CMicSignalMeter faint;
  const int16_t pcm[4] = {0, 1, 0, -1};
  faint.Add(pcm, sizeof(pcm), SAMPLE_INT16);
  EXPECT_EQ(faint.Outcome(), MIC_SIGNAL);
  EXPECT_NEAR(faint.LevelDb(), 10 * std::log10(0.5 / (32768.0 * 32768.0)), 0.01);

  // Half scale in 24 bits packed and in a 32-bit container: -6 dB.
  CMicSignalMeter wide;
  const unsigned char packed[3] = {0x00, 0x00, 0x40};
  const int32_t container = 0x40000000;
  wide.Add(packed, sizeof(packed), SAMPLE_INT24);
  wide.Add(&container, sizeof(container), SAMPLE_INT32);
  EXPECT_NEAR(wide.LevelDb(), 20 * std::log10(0.5), 0.01);
}

TEST(MicSignal, SampleFormats) {
  EXPECT_EQ(SampleFormatOf(true, 32, 32), SAMPLE_FLOAT32);
  EXPECT_EQ(SampleFormatOf(true, 64, 64), SAMPLE_UNSUPPORTED);
  EXPECT_EQ(SampleFormatOf(false, 16, 16), SAMPLE_INT16);
  EXPECT_EQ(SampleFormatOf(false, 24, 24), SAMPLE_INT24);
  EXPECT_EQ(SampleFormatOf(false, 32, 24), SAMPLE_INT32);
  EXPECT_EQ(SampleFormatOf(false, 8, 8), SAMPLE_UNSUPPORTED);
  EXPECT_EQ(SampleFormatOf(false, 16, 24), SAMPLE_UNSUPPORTED);
}

// ---- display ---------------------------------------------------------------

TEST(DisplayAdapters, MirageDriverIsLeftOutOnlyInItsExactCase) {
  WmiInstanceMap answer;
  answer[0] = {L"Mirage Driver", L"Internal", L"", L"", L"60"};
  answer[1] = {L"mirage driver", L"Internal", L"", L"", L"60"};
  answer[2] = {L"MIRAGE DRIVER", L"Internal", L"", L"", L"60"};
  answer[3] = {L"Too few values", L"Internal"};
  DisplayAdapterFindings findings;
  AppendDisplayAdapters(answer, 1920, 1080, findings);
  ASSERT_EQ(findings.m_vecDisplayAdapter.size(), 2u);
  EXPECT_EQ(findings.m_vecDisplayAdapter[0]->strDescription, L"mirage driver");
  EXPECT_EQ(findings.m_vecDisplayAdapter[1]->strDescription, L"MIRAGE DRIVER");

  WmiInstanceMap onlyMirage;
  onlyMirage[0] = answer[0];
  DisplayAdapterFindings none;
  AppendDisplayAdapters(onlyMirage, 1920, 1080, none);
  EXPECT_TRUE(none.m_vecDisplayAdapter.empty());
  EXPECT_EQ(none.GetMainAdapter(), nullptr);
}

TEST(DisplayAdapters, MainAdapterIsTheFirstWithAnExternalConverter) {
  WmiInstanceMap answer;
  answer[0] = {L"Intel HD", L"Internal", L"1920", L"1080", L"59"};
  answer[1] = {L"NVIDIA GeForce", L"Integrated RAMDAC", L"2560", L"1440", L""};
  answer[2] = {L"Unknown", L"", L"", L"", L"abc"};
  DisplayAdapterFindings findings;
  AppendDisplayAdapters(answer, 1920, 1080, findings);
  ASSERT_EQ(findings.m_vecDisplayAdapter.size(), 3u);
  const DisplayAdapterInfo& first = *findings.m_vecDisplayAdapter[0];
  EXPECT_EQ(first.bExternalDac, 0);
  EXPECT_EQ(first.nRefreshRate, 59);
  EXPECT_EQ(findings.m_vecDisplayAdapter[1]->nRefreshRate, 0);
  EXPECT_EQ(findings.m_vecDisplayAdapter[2]->bExternalDac, 1);  // empty type is not "Internal"
  for (const auto& adapter : findings.m_vecDisplayAdapter) {
    EXPECT_EQ(adapter->nWidth, 1920);  // the primary screen's size, not the adapter's
    EXPECT_EQ(adapter->nHeight, 1080);
  }
  EXPECT_EQ(findings.GetMainAdapter(), findings.m_vecDisplayAdapter[1].get());

  DisplayAdapterFindings internalOnly;
  WmiInstanceMap one;
  one[0] = answer[0];
  AppendDisplayAdapters(one, 800, 600, internalOnly);
  EXPECT_EQ(internalOnly.GetMainAdapter(), internalOnly.m_vecDisplayAdapter[0].get());
}

// ---- disk and processes ----------------------------------------------------

TEST(DrivePath, DrivePartBeforeTheFirstBackslash) {
  EXPECT_EQ(DrivePartOfPath(L"C:\\Windows"), L"C:");
  EXPECT_EQ(DrivePartOfPath(L"D:\\Users\\ann\\AppData\\Roaming"), L"D:");
  EXPECT_EQ(DrivePartOfPath(L"\\\\server\\share\\profile"), L"");  // UNC
  EXPECT_EQ(DrivePartOfPath(L"C\\Windows"), L"");                  // one character
  EXPECT_EQ(DrivePartOfPath(L"C:"), L"");                          // no backslash
  EXPECT_EQ(DrivePartOfPath(L""), L"");
}

TEST(ProcessName, WholeNameIgnoringCase) {
  EXPECT_TRUE(IsSameExecutableName(L"360Tray.EXE", L"360tray.exe"));
  EXPECT_FALSE(IsSameExecutableName(L"360tray.exe.bak", L"360tray.exe"));
  EXPECT_FALSE(IsSameExecutableName(L"360trayx.exe", L"360tray.exe"));
  EXPECT_FALSE(IsSameExecutableName(L"", L"360tray.exe"));
  // Only ASCII letters fold: the Kelvin sign is not a "k".
  EXPECT_FALSE(IsSameExecutableName(L"\u212A.exe", L"k.exe"));
}
