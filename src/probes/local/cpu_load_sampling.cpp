// The processor check's load sampling: the system-wide usage and the usage
// of the watched client programs, once a second, five times.
#include <climits>

#include "corekit/log.h"
#include "probes/local/cpu_info_handler.h"
#include "probes/local/cpu_usage.h"
#include "probes/local/process_walk.h"

namespace {

// The information classes of NtQuerySystemInformation read here, with
// their layouts for the pointer size of the build.
enum SystemInformationClass {
  kSystemBasicInformation = 0,
  kSystemPerformanceInformation = 2,
  kSystemTimeOfDayInformation = 3,
};

struct SystemBasicInformation {
  ULONG Reserved;
  ULONG TimerResolution;
  ULONG PageSize;
  ULONG NumberOfPhysicalPages;
  ULONG LowestPhysicalPageNumber;
  ULONG HighestPhysicalPageNumber;
  ULONG AllocationGranularity;
  ULONG_PTR MinimumUserModeAddress;
  ULONG_PTR MaximumUserModeAddress;
  ULONG_PTR ActiveProcessorsAffinityMask;
  CCHAR NumberOfProcessors;
};

struct SystemTimeOfDayInformation {
  LARGE_INTEGER BootTime;
  LARGE_INTEGER CurrentTime;
  LARGE_INTEGER TimeZoneBias;
  ULONG TimeZoneId;
  ULONG Reserved;
};

// The performance record is long; only its first member, the idle time,
// is read.
struct SystemPerformanceInformation {
  LARGE_INTEGER IdleProcessTime;
  unsigned char Rest[304];
};

static_assert(sizeof(SystemTimeOfDayInformation) == 32, "time-of-day record");
static_assert(sizeof(SystemPerformanceInformation) == 312, "performance record");

long long FileTimeValue(const FILETIME& time) {
  return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

int CCpuInfoHandler::GetFileTime() {
  const char* const kTag = "CCpuInfoHandler::GetFileTime";
  m_vecClientProc.clear();
  if (FindClientProcesses() == 0) return 0;

  // Baseline: the first samples only store the values to compare with.
  for (ClientProcInfo& record : m_vecClientProc) SampleProcess(&record);
  SampleSystemUsage();

  UsageMinima minima;
  int result = 1;
  while (m_nSampleCount != 0) {
    --m_nSampleCount;
    if (m_hWaitEvent) {
      if (WaitForSingleObject(m_hWaitEvent, kSampleIntervalMs) != WAIT_TIMEOUT) {
        LOG_METHOD_TAG(LOG_LEVEL_INFO, kTag, "sampling cut short, samples left = " << m_nSampleCount);
        result = 0;
        break;
      }
    } else {
      Sleep(kSampleIntervalMs);
    }
    long long clients = 0;
    for (ClientProcInfo& record : m_vecClientProc) {
      SampleProcess(&record);
      clients += record.nUsage;
    }
    const int total = SampleSystemUsage();
    LOG_METHOD_TAG(LOG_LEVEL_INFO, kTag, "CPU " << total << "%");
    if (total < 0) {
      LOG_METHOD_TAG(LOG_LEVEL_ERROR, kTag, "CPU sample not measurable, not counted");
      continue;
    }
    minima.Add(total, clients > INT_MAX ? INT_MAX : static_cast<int>(clients));
    m_nMinTotalUsage = minima.MinTotal();
    m_nMinOtherUsage = minima.MinOther();
    LOG_METHOD_TAG(LOG_LEVEL_INFO, kTag, "No Orvane CPU " << m_nMinOtherUsage << "%");
  }
  minima.Finish();
  m_nMinTotalUsage = minima.MinTotal();
  m_nMinOtherUsage = minima.MinOther();
  m_vecClientProc.clear();  // closes every process handle
  return result;
}

int CCpuInfoHandler::FindClientProcesses() {
  const ProcessWalkResult walk = WalkProcesses(
      [this](const PROCESSENTRY32W& entry) {
        if (IsWatchedClientProgram(entry.szExeFile)) {
          HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID);
          m_vecClientProc.emplace_back(entry.szExeFile, process);
        }
        return true;
      },
      nullptr);
  return walk == ProcessWalkResult::kWalked ? 1 : 0;
}

int CCpuInfoHandler::SampleProcess(ClientProcInfo* record) {
  if (!record || m_nLogicalCount == 0) return -1;
  const DWORD now = GetTickCount();
  FILETIME creation, exit, kernel, user;
  if (!record->hProcess || !GetProcessTimes(record->hProcess, &creation, &exit, &kernel, &user)) {
    record->nUsage = 0;
    return -1;
  }
  const long long cpuMs = (FileTimeValue(kernel) + FileTimeValue(user)) / 10000;
  long long percent = 0;
  if (!ProcessUsagePercent(cpuMs - record->llLastCpuMs, now - record->dwLastTick, percent)) {
    record->nUsage = 0;
    return -1;
  }
  record->llLastCpuMs = cpuMs;
  record->dwLastTick = now;
  const long long perProcessor = percent / m_nLogicalCount;
  record->nUsage = perProcessor > INT_MAX ? INT_MAX : static_cast<int>(perProcessor);
  return percent > INT_MAX ? INT_MAX : static_cast<int>(percent);
}

int CCpuInfoHandler::SampleSystemUsage() {
  if (!m_pfnNtQuerySystemInformation) return -1;
  SystemBasicInformation basic = {};
  SystemTimeOfDayInformation timeOfDay = {};
  SystemPerformanceInformation performance = {};
  if (m_pfnNtQuerySystemInformation(kSystemBasicInformation, &basic, sizeof(basic), nullptr) != 0 ||
      m_pfnNtQuerySystemInformation(kSystemTimeOfDayInformation, &timeOfDay, sizeof(timeOfDay), nullptr) != 0 ||
      m_pfnNtQuerySystemInformation(kSystemPerformanceInformation, &performance, sizeof(performance), nullptr) != 0) {
    return -1;
  }
  const long long idle = performance.IdleProcessTime.QuadPart;
  const long long time = timeOfDay.CurrentTime.QuadPart;
  int percent = -1;
  if (m_llLastIdleTime != 0 &&
      !SystemUsagePercent(idle - m_llLastIdleTime, time - m_llLastSystemTime, basic.NumberOfProcessors, percent)) {
    percent = -1;
  }
  m_llLastIdleTime = idle;
  m_llLastSystemTime = time;
  return percent;
}
