// The arithmetic of the processor load samples: the usage of one watched
// client program, the system-wide usage, and the lowest values over a
// sampling. A sample whose interval or processor count is zero, or that
// could not be measured, counts as no sample.
#pragma once

#include <cstdint>
#include <string>

// The maker's client programs whose share of the load is left out of the
// "other programs" figure; compared by whole executable name, ignoring case.
bool IsWatchedClientProgram(const std::wstring& exeName);

// Percent of one processor that a process used: cpuMsDelta x 100 /
// tickDeltaMs. False (no sample) when no time passed.
bool ProcessUsagePercent(long long cpuMsDelta, uint32_t tickDeltaMs, long long& percent);

// Percent of all processors busy between two system samples, from the
// idle-time and time-of-day deltas (same unit), rounded to the nearest
// percent and kept within 0..100. False (no sample) when no time passed or
// the processor count is not positive.
bool SystemUsagePercent(long long idleDelta, long long timeDelta, int processors, int& percent);

// The lowest total and "other" usage over the counted samples. Before the
// first counted sample both are 0, as for a sampling that could not run.
class UsageMinima {
 public:
  // total: system-wide percent; clients: the watched programs' percent.
  void Add(int total, int clients);
  // A negative "other" minimum (the clients' share rounded above the total)
  // becomes 0.
  void Finish();

  int MinTotal() const { return m_nMinTotal; }
  int MinOther() const { return m_nMinOther; }
  int Counted() const { return m_nCounted; }

 private:
  int m_nMinTotal = 0;
  int m_nMinOther = 0;
  int m_nCounted = 0;
};
