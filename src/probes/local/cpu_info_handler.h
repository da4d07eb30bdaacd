// The processor check: name, cores, logical processors and clock (from WMI,
// or measured directly when WMI cannot answer), and the lowest load over
// five one-second samples, in total and without the maker's own client
// programs. Another process can cut the sampling short by setting the
// named event "KALTO_CpuTimeWaitEvent".
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "detect/detect_handler.h"
#include "probes/local/cpu_info.h"

// One running instance of a watched client program. Owns its process
// handle: the handle is closed when the record goes, on every path.
struct ClientProcInfo {
  std::wstring strName;
  HANDLE hProcess = nullptr;  // PROCESS_QUERY_INFORMATION; null when opening failed
  int nUsage = 0;             // percent over the last interval, per logical processor
  long long llLastCpuMs = 0;  // kernel + user time at the previous sample
  DWORD dwLastTick = 0;       // tick count at the previous sample

  ClientProcInfo(std::wstring name, HANDLE process) : strName(std::move(name)), hProcess(process) {}
  ~ClientProcInfo();
  ClientProcInfo(ClientProcInfo&& other) noexcept;
  ClientProcInfo& operator=(ClientProcInfo&& other) noexcept;
  ClientProcInfo(const ClientProcInfo&) = delete;
  ClientProcInfo& operator=(const ClientProcInfo&) = delete;
};

class CCpuInfoHandler : public IDetectHandler, public CpuInfoFindings {
 public:
  static constexpr int kSampleCount = 5;
  static constexpr DWORD kSampleIntervalMs = 1000;

  CCpuInfoHandler();
  ~CCpuInfoHandler() override;
  CCpuInfoHandler(const CCpuInfoHandler&) = delete;
  CCpuInfoHandler& operator=(const CCpuInfoHandler&) = delete;

  int GetType() override { return DETECT_TYPE_CPU; }
  int DoDetect() override;

  // Identity through WMI: 0 when the query could not be run or its answer
  // is malformed (the direct method then measures).
  int QueryWmiInfo();
  // The direct method: CPUID brand string, processor topology, clock.
  void ReadBrandString();
  int Processor();
  int MeasureClockSpeed();

  // The load sampling: 1 when all samples were taken, 0 when the process
  // list could not be read or the named event cut it short.
  int GetFileTime();
  int FindClientProcesses();
  // Usage of one watched process since its previous sample; -1 when not
  // measurable.
  int SampleProcess(ClientProcInfo* record);
  // System-wide usage since the previous call; -1 when not measurable
  // (also for the first call, which only sets the baseline).
  int SampleSystemUsage();

  std::vector<ClientProcInfo> m_vecClientProc;  // only during sampling
  long long m_llLastIdleTime = 0;               // 100 ns; 0: no previous sample
  long long m_llLastSystemTime = 0;             // 100 ns
  int m_nSampleCount = kSampleCount;            // samples still to take
  HANDLE m_hWaitEvent = nullptr;

  using GetLogicalProcessorInformationFn = BOOL(WINAPI*)(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION, PDWORD);
  using NtQuerySystemInformationFn = LONG(WINAPI*)(int, PVOID, ULONG, PULONG);
  GetLogicalProcessorInformationFn m_pfnGetLogicalProcessorInformation = nullptr;
  NtQuerySystemInformationFn m_pfnNtQuerySystemInformation = nullptr;
};
