// Prints how long each local check's DoDetect takes on this machine, run
// the way a detection run runs them: WMI connected on the main thread, the
// checks on one worker thread. Every check but the processor's (five
// one-second samples) should take well under a second.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "probes/local/audio_device_handler.h"
#include "probes/local/cpu_info_handler.h"
#include "probes/local/disk_space_handler.h"
#include "probes/local/display_adapter_handler.h"
#include "probes/local/memory_info_handler.h"
#include "probes/local/process_handler.h"
#include "probes/local/system_info_handler.h"
#include "probes/local/video_device_handler.h"
#include "probes/net/net_adapter_handler.h"
#include "sysinfo/wmi_info.h"

namespace {

struct Probe {
  const char* name;
  std::unique_ptr<IDetectHandler> handler;
};

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  theWmiInfo.InitWmi();
  std::printf("%-28s %10.1f ms\n", "InitWmi", Milliseconds(Clock::now() - start));

  std::vector<Probe> probes;
  probes.push_back({"processor", std::make_unique<CCpuInfoHandler>()});
  probes.push_back({"memory", std::make_unique<CMemoryInfoHandler>()});
  probes.push_back({"disk space", std::make_unique<CDiskSpaceHandler>()});
  probes.push_back({"operating system", std::make_unique<CSystemInfoHandler>()});
  probes.push_back({"audio devices", std::make_unique<CAudioDeviceHandler>()});
  probes.push_back({"cameras", std::make_unique<CVideoDeviceHandler>()});
  probes.push_back({"display adapter", std::make_unique<CDisplayAdapterHandler>()});
  probes.push_back({"network adapters", std::make_unique<CNetAdapterHandler>()});
  probes.push_back({"conflicting program", std::make_unique<CProcessHandler>()});

  std::thread worker([&probes] {
    for (Probe& probe : probes) {
      const auto begin = Clock::now();
      probe.handler->DoDetect();
      std::printf("%-28s %10.1f ms\n", probe.name, Milliseconds(Clock::now() - begin));
      std::fflush(stdout);
    }
  });
  worker.join();

  auto* cpu = static_cast<CCpuInfoHandler*>(probes[0].handler.get());
  auto* os = static_cast<CSystemInfoHandler*>(probes[3].handler.get());
  std::printf("processor: %ls, %d cores, %d logical, %lld Hz, lowest load %d%% (other %d%%)\n",
              cpu->m_strName.c_str(), cpu->m_nCoreCount, cpu->m_nLogicalCount, cpu->m_llClockHz,
              cpu->m_nMinTotalUsage, cpu->m_nMinOtherUsage);
  std::printf("system: %ls %d.%d supported=%d\n", os->m_strOsName.c_str(), os->m_nMajorVersion,
              os->m_nMinorVersion, os->m_bSupported);
  theWmiInfo.UninitWmi();
  return 0;
}
