// The report of the last run, read from what the window shows (names,
// verdicts, detail lines, summary) and from the findings the handlers keep.
#include "app/delegate_main.h"
#include "app/language.h"
#include "app/report_output.h"
#include "corekit/textconv.h"
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
#include "skinkit/resource_mgr.h"

namespace {

// The findings of whichever kind `handler` carries.
template <class First, class... Rest>
std::vector<ReportFinding> FindingsOf(IDetectHandler* handler) {
  if (const auto* findings = dynamic_cast<const First*>(handler)) return ReportFindingsOf(*findings);
  if constexpr (sizeof...(Rest) > 0) {
    return FindingsOf<Rest...>(handler);
  } else {
    return {};
  }
}

std::vector<ReportFinding> AnyFindings(IDetectHandler* handler) {
  return FindingsOf<CpuInfoFindings, MemoryInfoFindings, DiskSpaceFindings, SystemInfoFindings, AudioDeviceFindings,
                    VideoDeviceFindings, DisplayAdapterFindings, NetAdapterFindings, ProcessFindings, CIPSiteFindings,
                    CServerNetFindings>(handler);
}

// The row's headline and detail lines that are shown.
std::vector<std::wstring> ShownLines(const CDetectItemUI& record) {
  std::vector<std::wstring> lines;
  if (!record.m_pDetail) return lines;
  for (int i = 0; i < 4 && i < record.m_pDetail->GetCount(); ++i) {
    const CControlUI* line = record.m_pDetail->GetItemAt(i);
    if (line->IsVisible() && !line->GetText().empty()) lines.push_back(line->GetText());
  }
  return lines;
}

}  // namespace

RunReport DelegateMain::CollectReport() const {
  RunReport report;
  const ReportClock clock = ReportClockNow();
  report.strVersion = corekit::WideToUtf8(m_update.GetLocalVersion());
  report.strTime = IsoTime(clock);
  report.strComputer = ReportComputerName();
  report.strLanguage = app::LanguageTagFor(GetSystemDefaultLangID());
  report.bCancelled = m_bCancelled;
  if (m_bCancelled) {
    report.strTitleKey = "s.detect.canceled";
    report.strTitle = DllResourceMgr::LoadStringW("s.detect.canceled");
  } else {
    report.strTitleKey = m_summary.strTitleKey;
    report.strTitle = m_summary.strTitle;
    report.strNetKey = m_summary.strNetKey;
    report.strNetLine = m_summary.strNetLine;
    report.strSysKey = m_summary.strSysKey;
    report.strSysLine = m_summary.strSysLine;
  }
  const DelegateDetect* detect = DelegateDetect::Instance();
  for (int i = 0; m_pListResult && i < m_pListResult->GetCount(); ++i) {
    const auto* record = reinterpret_cast<const CDetectItemUI*>(m_pListResult->GetItemAt(i)->GetTag());
    if (!record) continue;  // a group header or separator
    ReportItem item;
    item.nType = record->m_nType;
    item.nCode = record->m_nState;
    if (record->m_pName) item.strName = record->m_pName->GetText();
    item.vecShown = ShownLines(*record);
    IDetectHandler* handler = detect->FindHandler(record->m_nType);
    item.vecFindings = AnyFindings(handler);
    if (const auto* servers = dynamic_cast<const CServerNetFindings*>(handler)) {
      item.vecServers = ReportServersOf(*servers);
      item.speed = ReportSpeedOf(*servers);
    }
    report.vecItems.push_back(std::move(item));
  }
  return report;
}
