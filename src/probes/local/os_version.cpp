#include "probes/local/os_version.h"

#include <climits>

const wchar_t* const kOperatingSystemClass = L"Win32_OperatingSystem";

const std::vector<std::wstring>& OperatingSystemProperties() {
  static const std::vector<std::wstring> properties = {L"Caption", L"Version", L"BuildType", L"Description",
                                                       L"ProductType"};
  return properties;
}

namespace {

int LeadingDigits(const std::wstring& text, size_t begin, size_t end) {
  long long value = 0;
  for (size_t i = begin; i < end && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

}  // namespace

std::vector<int> ParseVersionNumbers(const std::wstring& text) {
  std::vector<int> numbers;
  size_t start = 0;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] != L'.') continue;
    numbers.push_back(LeadingDigits(text, start, i));
    start = i + 1;
  }
  return numbers;
}

bool IsSupportedOsVersion(int major, int minor) {
  return (major == 6 && minor != 0) || static_cast<unsigned>(major) > 6;
}

int ReadOperatingSystemFromWmi(const WmiInstanceMap& answer, SystemInfoFindings& findings) {
  if (answer.empty()) return 1;
  const std::vector<std::wstring>& values = answer.begin()->second;
  if (values.size() != OperatingSystemProperties().size()) return 0;
  findings.m_strOsName = values[0];
  const std::vector<int> numbers = ParseVersionNumbers(values[1]);
  if (numbers.size() < 2) return 0;
  findings.m_nMajorVersion = numbers[0];
  findings.m_nMinorVersion = numbers[1];
  findings.m_bSupported = IsSupportedOsVersion(numbers[0], numbers[1]) ? 1 : 0;
  return 1;
}

OsNameChoice ChooseOsName(const OsVersionRecord& r) {
  const bool ws = r.bWorkstation;
  switch (r.dwMajorVersion) {
    case 4:
      switch (r.dwMinorVersion) {
        case 0:
          if (r.dwPlatformId == 2) return {L"Microsoft Windows NT 4.0", false};
          if (r.dwPlatformId == 1) return {L"Microsoft Windows 95", false};
          return {};
        case 10: return {L"Microsoft Windows 98", false};
        case 90: return {L"Microsoft Windows Me", false};
        default: return {};
      }
    case 5:
      switch (r.dwMinorVersion) {
        case 0: return {L"Microsoft Windows 2000", false};
        case 1: return {L"Microsoft Windows XP", false};
        case 2:
          if (ws && r.bAmd64) return {L"Microsoft Windows XP Professional x64 Edition", false};
          if (!r.bServerR2) return {L"Microsoft Windows Server 2003", false};
          return {L"Microsoft Windows Server 2003 R2", false};
        default: return {};
      }
    case 6:
      switch (r.dwMinorVersion) {
        case 0: return {ws ? L"Microsoft Windows Vista" : L"Microsoft Windows Server 2008", false};
        case 1: return ws ? OsNameChoice{L"Microsoft Windows 7", true} : OsNameChoice{L"Microsoft Windows Server 2008 R2", false};
        case 2: return ws ? OsNameChoice{L"Windows 8", true} : OsNameChoice{L"Windows Server 2012", false};
        case 3: return ws ? OsNameChoice{L"Windows 8.1", true} : OsNameChoice{L"Windows Server 2012 R2", false};
        default: return {};
      }
    case 10:
      if (r.dwMinorVersion != 0) return {};
      return ws ? OsNameChoice{L"Windows 10", true} : OsNameChoice{L"Windows Server 2016", false};
    default:
      return {L"\u672A\u77E5\u64CD\u4F5C\u7CFB\u7EDF", false};  // "unknown operating system"
  }
}

void ApplyOsVersionRecord(const OsVersionRecord& record, SystemInfoFindings& findings) {
  const OsNameChoice choice = ChooseOsName(record);
  findings.m_nMajorVersion = record.dwMajorVersion > INT_MAX ? INT_MAX : static_cast<int>(record.dwMajorVersion);
  findings.m_nMinorVersion = record.dwMinorVersion > INT_MAX ? INT_MAX : static_cast<int>(record.dwMinorVersion);
  findings.m_strOsName = choice.strName;
  findings.m_bSupported = choice.bSupported ? 1 : 0;
}
