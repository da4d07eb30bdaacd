// The processor check's construction, its identity (WMI, or the direct
// method) and the order of its steps. The load sampling is in
// cpu_load_sampling.cpp.
#include "probes/local/cpu_info_handler.h"

#include <cpuid.h>
#include <x86intrin.h>

#include <bitset>
#include <cstring>
#include <memory>
#include <new>

#include "corekit/log.h"
#include "corekit/textconv.h"
#include "sysinfo/wmi_info.h"

namespace {
const wchar_t* const kWaitEventName = L"KALTO_CpuTimeWaitEvent";
}  // namespace

ClientProcInfo::~ClientProcInfo() {
  if (hProcess) CloseHandle(hProcess);
}

ClientProcInfo::ClientProcInfo(ClientProcInfo&& other) noexcept
    : strName(std::move(other.strName)),
      hProcess(other.hProcess),
      nUsage(other.nUsage),
      llLastCpuMs(other.llLastCpuMs),
      dwLastTick(other.dwLastTick) {
  other.hProcess = nullptr;
}

ClientProcInfo& ClientProcInfo::operator=(ClientProcInfo&& other) noexcept {
  if (this != &other) {
    if (hProcess) CloseHandle(hProcess);
    strName = std::move(other.strName);
    hProcess = other.hProcess;
    nUsage = other.nUsage;
    llLastCpuMs = other.llLastCpuMs;
    dwLastTick = other.dwLastTick;
    other.hProcess = nullptr;
  }
  return *this;
}

CCpuInfoHandler::CCpuInfoHandler() {
  const char* const kTag = "CCpuInfoHandler::CCpuInfoHandler";
  if (HMODULE kernel = GetModuleHandleW(L"kernel32")) {
    m_pfnGetLogicalProcessorInformation = reinterpret_cast<GetLogicalProcessorInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetLogicalProcessorInformation")));
  }
  if (!m_pfnGetLogicalProcessorInformation) LOG_METHOD_TAG(LOG_LEVEL_ERROR, kTag, "GetLogicalProcessorInformation FAILED");
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll")) {
    m_pfnNtQuerySystemInformation = reinterpret_cast<NtQuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
  }
  if (!m_pfnNtQuerySystemInformation) LOG_METHOD_TAG(LOG_LEVEL_ERROR, kTag, "NtQuerySystemInformation FAILED");
  m_hWaitEvent = CreateEventW(nullptr, TRUE, FALSE, kWaitEventName);
  if (!m_hWaitEvent) LOG_METHOD_TAG(LOG_LEVEL_ERROR, kTag, "CreateEventW FAILED, err = " << GetLastError());
}

CCpuInfoHandler::~CCpuInfoHandler() {
  if (m_hWaitEvent) CloseHandle(m_hWaitEvent);
}

int CCpuInfoHandler::DoDetect() {
  LOG_METHOD_TAG(LOG_LEVEL_INFO, "CCpuInfoHandler::DoDetect", "CCpuInfoHandler::DoDetect");
  if (QueryWmiInfo() == 0) {
    ReadBrandString();
    Processor();
    MeasureClockSpeed();
  }
  GetFileTime();
  return 1;
}

int CCpuInfoHandler::QueryWmiInfo() {
  WmiInstanceMap answer;
  if (!theWmiInfo.GetMutilpleItemInfo(kProcessorClass, ProcessorProperties(), answer)) {
    LOG_METHOD(LOG_LEVEL_INFO, "WMI query failed, measuring the processor directly");
    return 0;
  }
  return ReadProcessorFromWmi(answer, *this);
}

void CCpuInfoHandler::ReadBrandString() {
  constexpr unsigned kFirstExtendedLeaf = 0x80000000u;
  constexpr unsigned kFirstBrandLeaf = 0x80000002u;
  constexpr unsigned kLastBrandLeaf = 0x80000004u;
  char brand[64] = {};
  unsigned highest = 0, ebx = 0, ecx = 0, edx = 0;
  __cpuid(kFirstExtendedLeaf, highest, ebx, ecx, edx);
  if (highest >= kLastBrandLeaf) {
    for (unsigned leaf = kFirstBrandLeaf; leaf <= kLastBrandLeaf; ++leaf) {
      unsigned regs[4] = {};
      __cpuid(leaf, regs[0], regs[1], regs[2], regs[3]);
      std::memcpy(brand + (leaf - kFirstBrandLeaf) * sizeof(regs), regs, sizeof(regs));
    }
  }
  m_strName = corekit::AcpToWide(std::string(brand, strnlen(brand, sizeof(brand))));
}

int CCpuInfoHandler::Processor() {
  const char* const kTag = "CCpuInfoHandler::Processor";
  if (!m_pfnGetLogicalProcessorInformation) return 0;
  std::unique_ptr<unsigned char[]> buffer;
  DWORD length = 0;
  // The needed size can grow between two calls; a few rounds settle it.
  constexpr int kMaxRounds = 8;
  bool done = false;
  for (int round = 0; round < kMaxRounds && !done; ++round) {
    if (m_pfnGetLogicalProcessorInformation(
            reinterpret_cast<PSYSTEM_LOGICAL_PROCESSOR_INFORMATION>(buffer.get()), &length)) {
      done = true;
      break;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) {
      LOG_METHOD_TAG(LOG_LEVEL_ERROR, kTag, "CCpuInfoHandler::Monitor : glpi() ERR = " << error);
      return 0;
    }
    buffer.reset(new (std::nothrow) unsigned char[length]);
    if (!buffer) return 0;
  }
  if (!done) return 0;

  int cores = 0;
  int logical = 0;
  const size_t count = length / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION);
  const auto* entries = reinterpret_cast<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION*>(buffer.get());
  for (size_t i = 0; i < count; ++i) {
    switch (entries[i].Relationship) {
      case RelationProcessorCore:
        ++cores;
        logical += static_cast<int>(std::bitset<sizeof(ULONG_PTR) * 8>(entries[i].ProcessorMask).count());
        break;
      case RelationNumaNode:
      case RelationCache:
      case RelationProcessorPackage:
        break;
      default:
        LOG_METHOD_TAG(LOG_LEVEL_ERROR, kTag, "Unsupported LOGICAL_PROCESSOR_RELATIONSHIP value");
        break;
    }
  }
  m_nCoreCount = cores;
  m_nLogicalCount = logical;
  return 1;
}

int CCpuInfoHandler::MeasureClockSpeed() {
  LARGE_INTEGER frequency, counterStart, counterEnd;
  if (!QueryPerformanceFrequency(&frequency) || !QueryPerformanceCounter(&counterStart)) return 0;
  const unsigned long long tscStart = __rdtsc();
  Sleep(1000);
  QueryPerformanceCounter(&counterEnd);
  const unsigned long long tscEnd = __rdtsc();
  const long long hz = ClockHzFromCounters(static_cast<long long>(tscEnd - tscStart), frequency.QuadPart,
                                           counterEnd.QuadPart - counterStart.QuadPart);
  if (hz == 0) return 0;
  m_llClockHz = hz;
  return 1;
}
