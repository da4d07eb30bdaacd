// What the operating-system check finds, and the pure parts of finding it:
// the WMI version text, the support rule and the table of names by version.
#pragma once

#include <string>
#include <vector>

#include "sysinfo/wmi_types.h"

struct SystemInfoFindings {
  int m_nMajorVersion = 0;
  int m_nMinorVersion = 0;
  std::wstring m_strOsName;
  int m_bSupported = 0;  // 1: the client programs support this version
};

// The properties asked of "Win32_OperatingSystem", in this order.
extern const wchar_t* const kOperatingSystemClass;
const std::vector<std::wstring>& OperatingSystemProperties();

// The numbers of a version text that are followed by a dot: "10.0.19045"
// gives 10 and 0; the part after the last dot is never read. Each number is
// its leading digits, 0 when there are none.
std::vector<int> ParseVersionNumbers(const std::wstring& text);

// Windows 7 (6.1) and later, servers included.
bool IsSupportedOsVersion(int major, int minor);

// Takes the caption and version of the first instance. Returns 1 when the
// answer is used (an answer without instances changes nothing), 0 when the
// version record must be read instead.
int ReadOperatingSystemFromWmi(const WmiInstanceMap& answer, SystemInfoFindings& findings);

// What the system's version record says, for the table of names.
struct OsVersionRecord {
  unsigned long dwMajorVersion = 0;
  unsigned long dwMinorVersion = 0;
  unsigned long dwPlatformId = 0;
  bool bWorkstation = false;      // product type VER_NT_WORKSTATION
  bool bAmd64 = false;            // native processor architecture AMD64
  bool bServerR2 = false;         // GetSystemMetrics(SM_SERVERR2) != 0
};

// The name shown for a version and whether it is supported; an empty name
// when no row of the table matches.
struct OsNameChoice {
  std::wstring strName;
  bool bSupported = false;
};
OsNameChoice ChooseOsName(const OsVersionRecord& record);

// Fills the findings from the version record through the table.
void ApplyOsVersionRecord(const OsVersionRecord& record, SystemInfoFindings& findings);
