// The rules that turn each check's findings into the verdict its row shows:
// the verdict code, the state icon, the headline and three detail lines
// (each a text or hidden) and the row height. Texts come through a lookup,
// so the rules run anywhere; the row applies the record (app/row_verdict.cpp).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "skinkit/format_keys.h"

struct AudioDeviceFindings;
struct CpuInfoFindings;
struct DeviceEntry;
struct DiskSpaceFindings;
struct DisplayAdapterFindings;
struct MemoryInfoFindings;
struct NetAdapterFindings;
struct ProcessFindings;
struct SystemInfoFindings;
struct VideoDeviceFindings;
class CIPSiteFindings;
class CServerNetFindings;

enum VerdictCode { VERDICT_NONE = 0, VERDICT_PASS = 1, VERDICT_WARNING = 2, VERDICT_FAILURE = 3 };

// The "bkimage" of the row's state icon for a verdict code: one cell of
// "state_icon.png".
const wchar_t* StateIconImage(int code);

struct ItemVerdict {
  int nCode = VERDICT_NONE;
  const wchar_t* szIcon = nullptr;  // "bkimage" of the state icon
  // Headline, then the three grey detail lines; no value: the line is hidden.
  std::array<std::optional<std::wstring>, 4> lines;
  int nHeight = 0;                    // the row's fixed height
  const wchar_t* szInset = nullptr;   // the row's new "inset", or none
  std::vector<std::wstring> vecServerLines;  // media servers: one text per server label
  std::vector<std::string> vecLog;    // lines the row writes to the log
};

// The separator of name lists in the reader's language ("s.list.separator":
// ", " in English, "，" in Chinese).
std::wstring NameSeparator(const skinkit::TextLookup& text);
// Names one after the other with `separator` between consecutive entries;
// an empty name adds nothing but keeps its separators.
std::wstring JoinNames(const std::vector<std::wstring>& names, const std::wstring& separator);
std::wstring JoinDeviceNames(const std::vector<DeviceEntry>& devices, const std::wstring& separator);

// One rule per check, by type id.
ItemVerdict JudgeCpu(const CpuInfoFindings& cpu, const skinkit::TextLookup& text);
ItemVerdict JudgeMemory(const MemoryInfoFindings& memory, const skinkit::TextLookup& text);
ItemVerdict JudgeAudio(const AudioDeviceFindings& audio, const skinkit::TextLookup& text);
ItemVerdict JudgeVideo(const VideoDeviceFindings& video, const skinkit::TextLookup& text);
ItemVerdict JudgeDisk(const DiskSpaceFindings& disk, const skinkit::TextLookup& text);
ItemVerdict JudgeDisplay(const DisplayAdapterFindings& display, const skinkit::TextLookup& text);
ItemVerdict JudgeSystem(const SystemInfoFindings& system, const skinkit::TextLookup& text);
ItemVerdict JudgeNetAdapter(const NetAdapterFindings& adapters, const skinkit::TextLookup& text);
// The public address; `bFinish`: the check had its end (an answer, a
// failure or its time-out) rather than being cancelled.
ItemVerdict JudgeIpSite(const CIPSiteFindings& site, bool bFinish, const skinkit::TextLookup& text);
ItemVerdict JudgeServerNet(const CServerNetFindings& servers, const skinkit::TextLookup& text);
ItemVerdict JudgeProcess(const ProcessFindings& process, const skinkit::TextLookup& text);

// Machine grades, 0 to 3 (3 best), for the processor verdict and the run
// summary; no findings grade 0. The arithmetic is single precision, except
// the processor capacity in Hz, an exact product.
int GetCpuGrade(const CpuInfoFindings* cpu);
int GetMemoryGrade(const MemoryInfoFindings* memory);
