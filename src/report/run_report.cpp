#include "report/run_report.h"

#include <algorithm>
#include <cmath>

#include "probes/local/conflicting_program.h"
#include "probes/local/cpu_info.h"
#include "probes/local/device_list.h"
#include "probes/local/disk_space.h"
#include "probes/local/display_adapter.h"
#include "probes/local/memory_info.h"
#include "probes/local/os_version.h"
#include "probes/net/adapter_info.h"
#include "probes/net/ip_site_findings.h"
#include "probes/net/server_net_findings.h"
#include "verdict/item_verdict.h"

namespace {

using Findings = std::vector<ReportFinding>;

ReportFinding Names(const std::string& key, const std::vector<DeviceEntry>& devices) {
  std::vector<std::wstring> names;
  for (const DeviceEntry& device : devices) names.push_back(device.strFriendlyName);
  return {key, names};
}

}  // namespace

int RunReport::CountOf(int code) const {
  return static_cast<int>(
      std::count_if(vecItems.begin(), vecItems.end(), [code](const ReportItem& item) { return item.nCode == code; }));
}

Findings ReportFindingsOf(const CpuInfoFindings& cpu) {
  return {{"name", cpu.m_strName},
          {"cores", static_cast<long long>(cpu.m_nCoreCount)},
          {"logicalProcessors", static_cast<long long>(cpu.m_nLogicalCount)},
          {"clockHz", cpu.m_llClockHz},
          {"minTotalUsagePercent", static_cast<long long>(cpu.m_nMinTotalUsage)},
          {"minOtherUsagePercent", static_cast<long long>(cpu.m_nMinOtherUsage)}};
}

Findings ReportFindingsOf(const MemoryInfoFindings& memory) {
  return {{"totalBytes", memory.m_ullTotalPhys}, {"availableBytes", memory.m_ullAvailPhys}};
}

Findings ReportFindingsOf(const DiskSpaceFindings& disk) {
  return {{"windowsDriveFreeBytes", disk.m_ullWinDriveFree}, {"appDataDriveFreeBytes", disk.m_ullAppDataDriveFree}};
}

Findings ReportFindingsOf(const SystemInfoFindings& system) {
  return {{"name", system.m_strOsName},
          {"majorVersion", static_cast<long long>(system.m_nMajorVersion)},
          {"minorVersion", static_cast<long long>(system.m_nMinorVersion)},
          {"supported", static_cast<long long>(system.m_bSupported)}};
}

Findings ReportFindingsOf(const AudioDeviceFindings& audio) {
  Findings findings{Names("microphones", audio.m_vecAudioInput), Names("speakers", audio.m_vecAudioOutput)};
  // Only what was measured: a recording that failed or never ran says nothing.
  if (audio.m_nMicCapture == MIC_SIGNAL && audio.m_dMicLevelDb) {
    findings.push_back({"micLevelDb", std::round(*audio.m_dMicLevelDb * 10.0) / 10.0});  // to 0.1 dB
  }
  if (audio.m_nMicCapture == MIC_SIGNAL || audio.m_nMicCapture == MIC_SILENT || audio.m_nMicCapture == MIC_DENIED) {
    findings.push_back({"micSilent", static_cast<long long>(audio.m_nMicCapture != MIC_SIGNAL)});
  }
  if (audio.m_bSpeakerMuted) findings.push_back({"speakerMuted", static_cast<long long>(*audio.m_bSpeakerMuted)});
  if (audio.m_nSpeakerVolumePercent) {
    findings.push_back({"speakerVolumePercent", static_cast<long long>(*audio.m_nSpeakerVolumePercent)});
  }
  return findings;
}

Findings ReportFindingsOf(const VideoDeviceFindings& video) {
  return {Names("cameras", video.m_vecVideoInput)};
}

Findings ReportFindingsOf(const DisplayAdapterFindings& display) {
  Findings findings{{"adapterCount", static_cast<long long>(display.m_vecDisplayAdapter.size())}};
  if (const DisplayAdapterInfo* main = display.GetMainAdapter()) {
    findings.push_back({"description", main->strDescription});
    findings.push_back({"widthPixels", static_cast<long long>(main->nWidth)});
    findings.push_back({"heightPixels", static_cast<long long>(main->nHeight)});
    findings.push_back({"refreshRateHz", static_cast<long long>(main->nRefreshRate)});
    findings.push_back({"externalDac", static_cast<long long>(main->bExternalDac)});
  }
  return findings;
}

Findings ReportFindingsOf(const NetAdapterFindings& adapters) {
  std::vector<std::wstring> names;
  for (const AdapterInfo& adapter : adapters.m_adapters) names.push_back(adapter.strDescription);
  return {{"connected", static_cast<long long>(adapters.m_bNetWorkConnected)}, {"adapters", names}};
}

Findings ReportFindingsOf(const ProcessFindings& process) {
  return {{"processName", process.m_strProcessName}, {"found", static_cast<long long>(process.m_bFound)}};
}

Findings ReportFindingsOf(const CIPSiteFindings& site) {
  return {{"clientIp", site.m_strClientIp}, {"region", site.m_vecRegion}};
}

Findings ReportFindingsOf(const CServerNetFindings& servers) {
  Findings findings{{"lostLimitPercent", static_cast<long long>(servers.GetLostLimit())},
                    {"delayLimitMs", static_cast<long long>(servers.GetDelayLimit())},
                    {"echoesPerServer", static_cast<long long>(servers.GetTimes())},
                    {"passCount", static_cast<long long>(servers.GetPassCount())}};
  const SpeedFindings& speed = servers.GetSpeed();
  if (!speed.IsConfigured()) return findings;
  if (speed.down.bMeasured) findings.push_back({"downloadKbps", static_cast<long long>(speed.down.nKbps)});
  if (speed.up.bMeasured) findings.push_back({"uploadKbps", static_cast<long long>(speed.up.nKbps)});
  findings.push_back({"minDownKbps", static_cast<long long>(speed.settings.nMinDownKbps)});
  findings.push_back({"minUpKbps", static_cast<long long>(speed.settings.nMinUpKbps)});
  return findings;
}

std::optional<SpeedFindings> ReportSpeedOf(const CServerNetFindings& servers) {
  if (!servers.GetSpeed().IsConfigured()) return std::nullopt;
  return servers.GetSpeed();
}

std::vector<ReportServer> ReportServersOf(const CServerNetFindings& servers) {
  std::vector<ReportServer> list;
  for (const ServerNetInfo& info : servers.GetServerNetInfo()) {
    list.push_back({info.strName, info.strUrl, info.nDelay, info.nLost, info.dJitter, info.bFinish != 0});
  }
  return list;
}

int ReportExitCode(const RunReport& report) {
  if (report.CountOf(VERDICT_FAILURE) > 0) return 2;
  if (report.CountOf(VERDICT_WARNING) > 0) return 1;
  return 0;
}
