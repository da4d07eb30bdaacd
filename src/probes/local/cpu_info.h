// What the processor check finds, and the pure parts of finding it: the
// reading of the WMI answer and the clock arithmetic.
#pragma once

#include <string>
#include <vector>

#include "sysinfo/wmi_types.h"

struct CpuInfoFindings {
  int m_nCoreCount = 0;     // physical cores
  int m_nLogicalCount = 0;  // hardware threads
  std::wstring m_strName;
  long long m_llClockHz = 0;
  int m_nMinTotalUsage = 0;  // percent, lowest system-wide usage over the samples
  int m_nMinOtherUsage = 0;  // percent, lowest usage not caused by the client programs
};

// The properties asked of "Win32_Processor", in this order.
extern const wchar_t* const kProcessorClass;
const std::vector<std::wstring>& ProcessorProperties();

// Takes name, cores, logical processors and clock from the first instance
// of a processor query that ran. Returns 1 when the answer is used (an
// answer without instances changes nothing), 0 when it is malformed and the
// direct method must measure instead.
int ReadProcessorFromWmi(const WmiInstanceMap& answer, CpuInfoFindings& findings);

// A clock given in MHz as Hz; negative values give 0, huge ones saturate.
long long ClockHzFromMhz(long long mhz);

// The processor clock from a time-stamp counter delta measured over a
// performance-counter delta: tscDelta x frequency / counterDelta. 0 when
// the counters did not advance or make no sense; never overflows.
long long ClockHzFromCounters(long long tscDelta, long long frequency, long long counterDelta);
