#include "probes/local/cpu_usage.h"

#include <climits>

#include "probes/local/process_match.h"

bool IsWatchedClientProgram(const std::wstring& exeName) {
  static const wchar_t* const kWatched[] = {L"morrow.exe", L"pellam.exe", L"quorin.exe", L"stavel.exe"};
  for (const wchar_t* name : kWatched) {
    if (IsSameExecutableName(exeName, name)) return true;
  }
  return false;
}

bool ProcessUsagePercent(long long cpuMsDelta, uint32_t tickDeltaMs, long long& percent) {
  if (tickDeltaMs == 0) return false;
  // A process's CPU time cannot shrink; a negative delta is a bad reading.
  if (cpuMsDelta < 0) cpuMsDelta = 0;
  if (cpuMsDelta > LLONG_MAX / 100) cpuMsDelta = LLONG_MAX / 100;
  percent = cpuMsDelta * 100 / static_cast<long long>(tickDeltaMs);
  return true;
}

bool SystemUsagePercent(long long idleDelta, long long timeDelta, int processors, int& percent) {
  if (timeDelta <= 0 || processors <= 0) return false;
  const double idleShare = static_cast<double>(idleDelta) / static_cast<double>(timeDelta);
  double value = 100.0 - idleShare * 100.0 / processors + 0.5;
  if (value < 0.0) value = 0.0;
  if (value > 100.0) value = 100.0;
  percent = static_cast<int>(value);
  return true;
}

void UsageMinima::Add(int total, int clients) {
  const long long other = static_cast<long long>(total) - clients;
  const int otherClamped = other < INT_MIN ? INT_MIN : static_cast<int>(other);
  if (m_nCounted == 0 || total < m_nMinTotal) m_nMinTotal = total;
  if (m_nCounted == 0 || otherClamped < m_nMinOther) m_nMinOther = otherClamped;
  ++m_nCounted;
}

void UsageMinima::Finish() {
  if (m_nMinOther < 0) m_nMinOther = 0;
}
