// The record of one finished (or cancelled) run that the reports are built
// from: when and where it ran, the summary as shown, and every item in
// display order with its verdict, the findings that decided it and the texts
// its row shows. Filled by the main window; no Windows here.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "probes/net/speed_findings.h"

struct AudioDeviceFindings;
struct CpuInfoFindings;
struct DiskSpaceFindings;
struct DisplayAdapterFindings;
struct MemoryInfoFindings;
struct NetAdapterFindings;
struct ProcessFindings;
struct SystemInfoFindings;
struct VideoDeviceFindings;
class CIPSiteFindings;
class CServerNetFindings;

// One finding: a name and a number (integers kept exact), a text or a list
// of texts.
struct ReportFinding {
  std::string strKey;
  std::variant<long long, unsigned long long, double, std::wstring, std::vector<std::wstring>> value;
};

struct ReportServer {
  std::wstring strName;
  std::string strHost;   // UTF-8, as read from the configuration file
  int nDelay = 0;        // mean round trip, ms
  int nLost = 0;         // percent
  double dJitter = 0.0;  // ms
  bool bFinish = false;  // its series was reported
};

struct ReportItem {
  int nType = -1;
  int nCode = 0;                     // verdict code, 0 to 3
  std::wstring strName;              // the item's name as shown
  std::vector<std::wstring> vecShown;  // headline and detail lines as shown
  std::vector<ReportFinding> vecFindings;
  std::vector<ReportServer> vecServers;  // media servers only
  std::optional<SpeedFindings> speed;     // media servers, when the speed was to be measured
};

struct RunReport {
  std::string strVersion;   // the program's version, "1.0.0.1"
  std::string strTime;      // ISO 8601 with offset, "2026-12-08T17:07:03+08:00"
  std::wstring strComputer;
  std::string strLanguage;  // "zh_CN", "zh_TW" or "en_US"
  bool bCancelled = false;
  std::string strTitleKey;  // "s.detect.canceled" for a cancelled run
  std::wstring strTitle;
  std::string strNetKey;
  std::wstring strNetLine;
  std::string strSysKey;
  std::wstring strSysLine;
  std::vector<ReportItem> vecItems;

  int CountOf(int code) const;
};

// The findings of each check, as report entries.
std::vector<ReportFinding> ReportFindingsOf(const CpuInfoFindings& cpu);
std::vector<ReportFinding> ReportFindingsOf(const MemoryInfoFindings& memory);
std::vector<ReportFinding> ReportFindingsOf(const DiskSpaceFindings& disk);
std::vector<ReportFinding> ReportFindingsOf(const SystemInfoFindings& system);
std::vector<ReportFinding> ReportFindingsOf(const AudioDeviceFindings& audio);
std::vector<ReportFinding> ReportFindingsOf(const VideoDeviceFindings& video);
std::vector<ReportFinding> ReportFindingsOf(const DisplayAdapterFindings& display);
std::vector<ReportFinding> ReportFindingsOf(const NetAdapterFindings& adapters);
std::vector<ReportFinding> ReportFindingsOf(const ProcessFindings& process);
std::vector<ReportFinding> ReportFindingsOf(const CIPSiteFindings& site);
std::vector<ReportFinding> ReportFindingsOf(const CServerNetFindings& servers);
std::vector<ReportServer> ReportServersOf(const CServerNetFindings& servers);
std::optional<SpeedFindings> ReportSpeedOf(const CServerNetFindings& servers);

// The exit code of a silent run: 0 no failure and no warning, 1 warnings
// only, 2 at least one failure.
int ReportExitCode(const RunReport& report);
