#include "verdict/item_verdict.h"

#include <algorithm>
#include <cmath>

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

namespace fmt = skinkit::fmt;
using skinkit::FormatTextFrom;
using skinkit::TextLookup;

namespace {

// The separator of name lists when the string table has none.
const wchar_t kNameSeparator[] = L"\uFF0C";  // "，"
// The security suite whose tray process the conflicting-program check looks
// for: 360安全卫士.
const wchar_t kConflictingSuite[] = L"36" L"0\u5B89" L"\u5168" L"\u536B\u58EB";

// Rows are built with "2,18,30,0"; the processor row gets room below.
const wchar_t kCpuInset[] = L"2,18,30,30";

// `value` rounded to single precision. The volatile store makes the rounding
// happen in 32-bit builds too, whose x87 unit otherwise keeps intermediate
// results wider than their type.
float Single(double value) {
  volatile float rounded = static_cast<float>(value);
  return rounded;
}

// Hertz, bytes per unit and the like: the quotient rounded to single precision.
float SingleQuotient(double value, double unit) { return Single(value / unit); }

constexpr double kGiga = 1000000000.0;
constexpr double kMebibyte = 1048576.0;
constexpr double kGibibyte = 1073741824.0;

ItemVerdict Verdict(int code, int height) {
  ItemVerdict verdict;
  verdict.nCode = code;
  verdict.szIcon = StateIconImage(code);
  verdict.nHeight = height;
  return verdict;
}

// A verdict whose headline is `headline` and whose lines 2 to 4 are `details`
// (an empty optional hides its line).
ItemVerdict Verdict(int code, int height, std::wstring headline, std::optional<std::wstring> line2 = std::nullopt,
                    std::optional<std::wstring> line3 = std::nullopt, std::optional<std::wstring> line4 = std::nullopt) {
  ItemVerdict verdict = Verdict(code, height);
  verdict.lines = {std::move(headline), std::move(line2), std::move(line3), std::move(line4)};
  return verdict;
}

// The headline of each verdict code.
std::wstring Headline(int code, const TextLookup& text) {
  switch (code) {
    case VERDICT_PASS: return text("s.detect.pass");
    case VERDICT_WARNING: return text("s.detect.get.problem");
    default: return text("s.detect.not.pass");
  }
}

ItemVerdict Pass(int height, const TextLookup& text, std::optional<std::wstring> line2 = std::nullopt,
                 std::optional<std::wstring> line3 = std::nullopt) {
  return Verdict(VERDICT_PASS, height, Headline(VERDICT_PASS, text), std::move(line2), std::move(line3));
}

ItemVerdict Warning(int height, const TextLookup& text, std::optional<std::wstring> line2,
                    std::optional<std::wstring> line3 = std::nullopt, std::optional<std::wstring> line4 = std::nullopt) {
  return Verdict(VERDICT_WARNING, height, Headline(VERDICT_WARNING, text), std::move(line2), std::move(line3),
                 std::move(line4));
}

ItemVerdict Failure(int height, const TextLookup& text, std::optional<std::wstring> line2,
                    std::optional<std::wstring> line3 = std::nullopt, std::optional<std::wstring> line4 = std::nullopt) {
  return Verdict(VERDICT_FAILURE, height, Headline(VERDICT_FAILURE, text), std::move(line2), std::move(line3),
                 std::move(line4));
}

// The free space a disk line shows, in tenths of a gigabyte: one below its
// limit is cut down to the tenth, so 0.96 GB reads "0.9", not "1.0", and
// never seems to reach the limit it failed.
double ShownGigabytes(double gigabytes, bool belowLimit) {
  return belowLimit ? std::floor(gigabytes * 10.0) / 10.0 : gigabytes;
}

// The height of one grey detail line of a row.
constexpr int kDetailLineHeight = 25;

// One direction of the connection's speed as the row shows it.
std::wstring SpeedText(const SpeedFigure& figure, const TextLookup& text) {
  if (!figure.bMeasured) return text("s.detect.speed.none");
  return FormatTextFrom<fmt::kSpeedMbps>(text, figure.nKbps / 1000.0);
}

// A check that was cancelled before it had its answer.
ItemVerdict Cancelled(const TextLookup& text) { return Verdict(VERDICT_FAILURE, 65, text("s.detect.canceled")); }

}  // namespace

const wchar_t* StateIconImage(int code) {
  switch (code) {
    case VERDICT_FAILURE: return L"file='state_icon.png' source='14,0,28,14'";
    case VERDICT_WARNING: return L"file='state_icon.png' source='28,0,42,14'";
    case VERDICT_PASS: return L"file='state_icon.png' source='42,0,56,14'";
    default: return L"file='state_icon.png' source='0,0,14,14'";
  }
}

std::wstring NameSeparator(const TextLookup& text) {
  std::wstring separator = text("s.list.separator");
  return separator.empty() ? kNameSeparator : separator;
}

std::wstring JoinNames(const std::vector<std::wstring>& names, const std::wstring& separator) {
  std::wstring joined;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += separator;
    joined += names[i];
  }
  return joined;
}

std::wstring JoinDeviceNames(const std::vector<DeviceEntry>& devices, const std::wstring& separator) {
  std::vector<std::wstring> names;
  for (const DeviceEntry& device : devices) names.push_back(device.strFriendlyName);
  return JoinNames(names, separator);
}

int GetCpuGrade(const CpuInfoFindings* cpu) {
  if (!cpu || cpu->m_nCoreCount <= 0) return 0;
  const int cores = cpu->m_nCoreCount;
  const int logical = cpu->m_nLogicalCount;

  const float clockGHz = SingleQuotient(static_cast<double>(cpu->m_llClockHz), kGiga);
  const int speed = clockGHz >= 2.0f ? 3 : clockGHz >= 1.59f ? 2 : clockGHz >= 1.29f ? 1 : 0;

  int count;
  if (cores >= 4 && logical >= 8) {
    count = 3;
  } else {
    count = logical < 2 ? 0 : logical >= 4 ? 2 : 1;
  }

  // A hardware thread counts as half a core. The factor is single precision,
  // the product in Hz a double: cores times clock is an exact integer, and so
  // is its product with the factors whole threads give (1.5, 1.25, 1.125), so
  // a capacity of exactly 9 GHz stays 9 instead of rounding below it.
  const float factor = Single(Single(static_cast<double>(logical - cores) * 0.5 / cores) + 1.0);
  const long long coreHz = static_cast<long long>(cores) * cpu->m_llClockHz;
  const double totalHz = std::trunc(static_cast<double>(factor) * static_cast<double>(coreHz));
  const float totalGHz = SingleQuotient(totalHz, kGiga);
  const int capacity = totalGHz >= 14.4f ? 3 : totalGHz >= 9.0f ? 2 : totalGHz >= 6.0f ? 1 : 0;

  return std::min(speed, std::min(count, capacity));
}

int GetMemoryGrade(const MemoryInfoFindings* memory) {
  if (!memory) return 0;
  const float megabytes = SingleQuotient(static_cast<double>(memory->m_ullTotalPhys), 1000000.0);
  return megabytes >= 8000.0f ? 3 : megabytes >= 4000.0f ? 2 : megabytes >= 2000.0f ? 1 : 0;
}

ItemVerdict JudgeCpu(const CpuInfoFindings& cpu, const TextLookup& text) {
  const double ghz = SingleQuotient(static_cast<double>(cpu.m_llClockHz), kGiga);
  const std::wstring processor = FormatTextFrom<fmt::kCpuPassItem>(text, cpu.m_strName, cpu.m_nCoreCount, ghz);
  ItemVerdict verdict;
  if (GetCpuGrade(&cpu) == 0) {
    verdict = Failure(133, text, FormatTextFrom<fmt::kCpuWeak>(text, cpu.m_strName, cpu.m_nCoreCount, ghz),
                      text("s.detect.cpu.sln.1"));
  } else if (cpu.m_nMinOtherUsage >= 20) {
    verdict = Failure(153, text, text("s.detect.cpu.e.2"), text("s.detect.cpu.sln.2"), processor);
  } else if (cpu.m_nMinTotalUsage >= 85) {
    verdict = Failure(153, text, text("s.detect.cpu.more.85.per"), text("s.detect.cpu.sln.2"), processor);
  } else {
    verdict = Pass(133, text, text("s.detect.cpu.less.20.per"), processor);
  }
  verdict.szInset = kCpuInset;
  return verdict;
}

ItemVerdict JudgeMemory(const MemoryInfoFindings& memory, const TextLookup& text) {
  const float megabytes = SingleQuotient(static_cast<double>(memory.m_ullAvailPhys), kMebibyte);
  const int wholeMegabytes = static_cast<int>(megabytes);
  if (megabytes < 500.0f) {
    return Failure(103, text, FormatTextFrom<fmt::kMemLess500>(text, wholeMegabytes), text("s.detect.mem.sln.1"));
  }
  if (megabytes > 1024.0f) {
    return Pass(65, text, FormatTextFrom<fmt::kMemGb>(text, static_cast<double>(megabytes) / 1024.0));
  }
  return Pass(65, text, FormatTextFrom<fmt::kMemMb>(text, wholeMegabytes));
}

ItemVerdict JudgeAudio(const AudioDeviceFindings& audio, const TextLookup& text) {
  const std::wstring separator = NameSeparator(text);
  const std::wstring mics = JoinDeviceNames(audio.m_vecAudioInput, separator);
  const std::wstring speakers = JoinDeviceNames(audio.m_vecAudioOutput, separator);
  if (audio.m_vecAudioInput.empty()) {
    std::optional<std::wstring> speakerLine;
    if (!audio.m_vecAudioOutput.empty()) speakerLine = FormatTextFrom<fmt::kAudioSpeaker>(text, speakers);
    return Failure(123, text, text("s.detect.audio.no.mic"), text("s.detect.audio.sln.mic"), speakerLine);
  }
  if (audio.m_vecAudioOutput.empty()) {
    return Failure(123, text, text("s.detect.audio.no.speaker"), text("s.detect.audio.sln.1"),
                   FormatTextFrom<fmt::kAudioMic>(text, mics));
  }
  const std::wstring micLine = FormatTextFrom<fmt::kAudioMic>(text, mics);
  const std::wstring speakerLine = FormatTextFrom<fmt::kAudioSpeaker>(text, speakers);
  // What the recording told beyond the names: the level heard, or that it
  // could not be recorded; nothing when it was not tried.
  std::optional<std::wstring> micSignalLine;
  if (audio.m_nMicCapture == MIC_SIGNAL && audio.m_dMicLevelDb) {
    micSignalLine = FormatTextFrom<fmt::kAudioMicLevel>(text, static_cast<int>(std::lround(*audio.m_dMicLevelDb)));
  } else if (audio.m_nMicCapture == MIC_FAILED) {
    micSignalLine = text("s.detect.audio.mic.unmeasured");
  }
  const bool speakerSilenced = audio.m_bSpeakerMuted.value_or(false) || audio.m_nSpeakerVolumePercent == 0;
  if (audio.m_nMicCapture == MIC_SILENT || audio.m_nMicCapture == MIC_DENIED) {
    return Warning(150, text, text("s.detect.audio.mic.silent"), text("s.detect.audio.sln.mic.silent"),
                   speakerSilenced ? text("s.detect.audio.speaker.muted") : speakerLine);
  }
  if (speakerSilenced) {
    return Warning(150, text, text("s.detect.audio.speaker.muted"), speakerLine, micSignalLine.value_or(micLine));
  }
  ItemVerdict verdict = Pass(150, text, micLine, speakerLine);
  verdict.lines[3] = micSignalLine;
  return verdict;
}

ItemVerdict JudgeVideo(const VideoDeviceFindings& video, const TextLookup& text) {
  if (!video.m_vecVideoInput.empty()) {
    const std::wstring cameras = JoinDeviceNames(video.m_vecVideoInput, NameSeparator(text));
    return Pass(65, text, FormatTextFrom<fmt::kVideo>(text, cameras));
  }
  return Warning(103, text, text("s.detect.video.no.cam"), text("s.detect.video.sln"));
}

ItemVerdict JudgeDisk(const DiskSpaceFindings& disk, const TextLookup& text) {
  const double appFree = SingleQuotient(static_cast<double>(disk.m_ullAppDataDriveFree), kGibibyte);
  const double winFree = SingleQuotient(static_cast<double>(disk.m_ullWinDriveFree), kGibibyte);
  const bool appShort = appFree < 1.0;
  const bool winShort = winFree < 10.0;
  const double appGB = ShownGigabytes(appFree, appShort);
  const double winGB = ShownGigabytes(winFree, winShort);
  if (appShort && winShort) {
    return Failure(150, text, FormatTextFrom<fmt::kDiskLessGb>(text, appGB),
                   FormatTextFrom<fmt::kDiskLess10Gb>(text, winGB), text("s.detect.disk.sln"));
  }
  if (appShort) {
    return Failure(150, text, FormatTextFrom<fmt::kDiskLessGb>(text, appGB), text("s.detect.disk.sln"),
                   FormatTextFrom<fmt::kDiskMoreWin>(text, winGB));
  }
  if (winShort) {
    return Warning(150, text, FormatTextFrom<fmt::kDiskLess10Gb>(text, winGB), text("s.detect.disk.sln"),
                   FormatTextFrom<fmt::kDiskMore>(text, appGB));
  }
  return Pass(103, text, FormatTextFrom<fmt::kDiskMore>(text, appGB), FormatTextFrom<fmt::kDiskMoreWin>(text, winGB));
}

ItemVerdict JudgeDisplay(const DisplayAdapterFindings& display, const TextLookup& text) {
  const DisplayAdapterInfo* adapter = display.GetMainAdapter();
  if (!adapter) return Warning(103, text, text("s.detect.display.err"), text("s.detect.display.sln"));
  if (adapter->bExternalDac == 1) {
    return Pass(65, text,
                FormatTextFrom<fmt::kDisplay>(text, adapter->nWidth, adapter->nHeight, adapter->strDescription));
  }
  return Warning(103, text,
                 FormatTextFrom<fmt::kDisplayInternal>(text, adapter->nWidth, adapter->nHeight, adapter->strDescription),
                 text("s.detect.display.sln"));
}

ItemVerdict JudgeSystem(const SystemInfoFindings& system, const TextLookup& text) {
  // Windows 8 and 8.1 are supported but past their end of support.
  const bool windows8 = system.m_nMajorVersion == 6 && (system.m_nMinorVersion == 2 || system.m_nMinorVersion == 3);
  if (system.m_bSupported && windows8) return Warning(103, text, text("s.detect.sys.win8"));
  if (system.m_bSupported) return Pass(65, text, FormatTextFrom<fmt::kSysPass>(text, system.m_strOsName));
  return Failure(103, text, FormatTextFrom<fmt::kSysError>(text, system.m_strOsName), text("s.detect.sys.sln"));
}

ItemVerdict JudgeNetAdapter(const NetAdapterFindings& adapters, const TextLookup& text) {
  if (adapters.m_adapters.empty()) {
    return Failure(126, text, text("s.detect.net.adapter.none"), text("s.detect.net.adapter.sln.1"));
  }
  std::vector<std::wstring> descriptions;
  for (const AdapterInfo& adapter : adapters.m_adapters) descriptions.push_back(adapter.strDescription);
  const std::wstring separator = NameSeparator(text);
  if (adapters.m_bNetWorkConnected) {
    return Pass(126, text, FormatTextFrom<fmt::kNetAdapterPass>(text, JoinNames(descriptions, separator)));
  }
  // Here an adapter without a description brings no separator either.
  std::wstring named;
  for (size_t i = 0; i < descriptions.size(); ++i) {
    if (i > 0 && !descriptions[i].empty()) named += separator;
    named += descriptions[i];
  }
  ItemVerdict verdict = Failure(126, text, FormatTextFrom<fmt::kNetAdapterError>(text, named),
                                text("s.detect.net.adapter.sln.2"));
  verdict.vecLog.push_back("pNetAdapterHandler->m_adapters.size() = " + std::to_string(descriptions.size()));
  verdict.vecLog.push_back("strAdapters = " + corekit::WideToUtf8(named));
  return verdict;
}

ItemVerdict JudgeIpSite(const CIPSiteFindings& site, bool bFinish, const TextLookup& text) {
  if (!bFinish) return Cancelled(text);
  int nKnownCarrier = 0, nHasAddress = 0;
  CIPSiteFindings::QueryAddressState(&site, nKnownCarrier, nHasAddress);
  if (!nHasAddress) return Failure(103, text, text("s.detect.ip.err.disconnect"), text("s.detect.ip.sln.1"));
  const std::vector<std::wstring>& region = site.m_vecRegion;
  if (!nKnownCarrier) {
    std::wstring where;
    for (const std::wstring& part : region) where += part;
    return Warning(103, text, FormatTextFrom<fmt::kIpOtherCarrier>(text, where, site.m_strClientIp),
                   text("s.detect.ip.sln"));
  }
  // Country and province are left out: city and carrier say enough.
  std::wstring where = text("s.detect.pass.head");
  for (size_t i = region.size() < 3 ? 0 : 2; i < region.size(); ++i) where += region[i];
  return Pass(65, text, where + L" " + site.m_strClientIp);
}

ItemVerdict JudgeServerNet(const CServerNetFindings& servers, const TextLookup& text) {
  if (!servers.IsFinish()) return Cancelled(text);
  int code = servers.GetPassCount() >= 2 ? VERDICT_PASS : VERDICT_FAILURE;
  const SpeedFindings& speed = servers.GetSpeed();
  const bool slow = speed.IsConfigured() && speed.IsBelowMinimum();
  if (slow) code = std::max<int>(code, VERDICT_WARNING);
  ItemVerdict verdict = Verdict(code, 121, Headline(code, text));
  if (speed.IsConfigured()) {
    verdict.lines[1] = FormatTextFrom<fmt::kSpeed>(text, SpeedText(speed.down, text), SpeedText(speed.up, text));
    verdict.nHeight += kDetailLineHeight;
  }
  if (slow) {
    verdict.lines[2] = text("s.detect.speed.sln");
    verdict.nHeight += kDetailLineHeight;
  }
  for (const ServerNetInfo& server : servers.GetServerNetInfo()) {
    // A server that never answered has no round trip to show.
    verdict.vecServerLines.push_back(
        server.nLost >= kUnreachableLost
            ? FormatTextFrom<fmt::kServerNoAnswer>(text, server.strName)
            : FormatTextFrom<fmt::kServerResult>(text, server.strName, server.nDelay, server.nLost));
  }
  return verdict;
}

ItemVerdict JudgeProcess(const ProcessFindings& process, const TextLookup& text) {
  if (process.m_bFound) {
    return Warning(103, text, text("s.detect.problem") + kConflictingSuite + text("s.process.running"),
                   text("s.detect.ts0.sln") + kConflictingSuite + text("s.detect.ts0.sln.tail"));
  }
  return Pass(83, text, text("s.detect.process.pass"));
}
