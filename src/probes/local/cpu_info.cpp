#include "probes/local/cpu_info.h"

#include <climits>

#include "sysinfo/wmi_text.h"

const wchar_t* const kProcessorClass = L"Win32_Processor";

const std::vector<std::wstring>& ProcessorProperties() {
  static const std::vector<std::wstring> properties = {
      L"Caption", L"Name", L"NumberOfCores", L"NumberOfLogicalProcessors", L"MaxClockSpeed", L"CurrentClockSpeed"};
  return properties;
}

int ReadProcessorFromWmi(const WmiInstanceMap& answer, CpuInfoFindings& findings) {
  if (answer.empty()) return 1;
  const std::vector<std::wstring>& values = answer.begin()->second;
  if (values.size() != ProcessorProperties().size()) return 0;
  findings.m_strName = values[1];
  findings.m_nCoreCount = sysinfo::ParseWmiInt(values[2]);
  findings.m_nLogicalCount = sysinfo::ParseWmiInt(values[3]);
  findings.m_llClockHz = ClockHzFromMhz(sysinfo::ParseWmiInteger(values[4]));
  return 1;
}

long long ClockHzFromMhz(long long mhz) {
  constexpr long long kHzPerMhz = 1000000;
  if (mhz <= 0) return 0;
  if (mhz > LLONG_MAX / kHzPerMhz) return LLONG_MAX;
  return mhz * kHzPerMhz;
}

long long ClockHzFromCounters(long long tscDelta, long long frequency, long long counterDelta) {
  if (tscDelta <= 0 || frequency <= 0 || counterDelta <= 0) return 0;
  // The product overflows 64 bits when the performance counter runs at the
  // processor clock; the extended type keeps every digit that matters.
  const long double hz = static_cast<long double>(tscDelta) * frequency / counterDelta;
  if (hz >= static_cast<long double>(LLONG_MAX)) return LLONG_MAX;
  return static_cast<long long>(hz);
}
