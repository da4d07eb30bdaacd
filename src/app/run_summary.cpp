// The end of a run's display: the summary after the last item, or the
// cancelled state.
#include "app/delegate_main.h"
#include "app/summary_text.h"
#include "probes/local/cpu_info.h"
#include "probes/local/memory_info.h"
#include "probes/net/ip_site_findings.h"
#include "probes/net/server_net_findings.h"
#include "skinkit/format_keys.h"
#include "skinkit/resource_mgr.h"

namespace {

bool IsEmpty(const wchar_t* text) { return !text || !*text; }

void ShowText(CControlUI* control, const wchar_t* text) {
  if (!control) return;
  if (IsEmpty(text)) {
    control->SetVisible(false);
  } else {
    control->SetText(text);
    control->SetVisible(true);
  }
}
}  // namespace

void DelegateMain::ShowCaptions(const wchar_t* caption, const wchar_t* line1, const wchar_t* line2) {
  ShowText(m_pCaptionState, caption);
  ShowText(m_pResultLine1, line1);
  if (m_pResultTitle) m_pResultTitle->SetVisible(!IsEmpty(line1));
  ShowText(m_pResultLine2, line2);
}

void DelegateMain::ShowProgress(const std::wstring& text) { ShowText(m_pCaptionState, text.c_str()); }

void DelegateMain::HideResultLines() {
  for (CControlUI* control : {static_cast<CControlUI*>(m_pResultTitle), static_cast<CControlUI*>(m_pResultLine1),
                              static_cast<CControlUI*>(m_pResultLine2)}) {
    if (control) control->SetVisible(false);
  }
}

void DelegateMain::OfferDetectAgain() {
  ShowReportActions(true);
  if (!m_pBtnDetect) return;
  m_pBtnDetect->SetText(DllResourceMgr::LoadStringW("s.detect.again"));
  m_pBtnDetect->SetTag(DETECT_TAG_IDLE);
}

void DelegateMain::ShowCancelled() {
  m_bCancelled = true;
  OfferDetectAgain();
  ShowState(PANEL_CANCELLED, DllResourceMgr::LoadStringW("s.detect.canceled"));
  ShowProgress(skinkit::FormatText<skinkit::fmt::kDetectedFinished>(static_cast<int>(m_vecItems.size())));
  HideResultLines();
  if (m_pStateIcon) m_pStateIcon->SetAttribute(L"bkimage", kMachinePictureOk);
  if (m_pStateGif) m_pStateGif->SetVisible(false);
}

// The run is over: the title counts the failed rows, the lines say what
// they mean for the network and the machine.
void DelegateMain::ShowSummary() {
  OfferDetectAgain();
  SummaryInput input;
  for (const auto& item : m_vecItems) {
    if (item->m_nState != VERDICT_FAILURE) continue;
    ++(IsNetworkGroup(item->m_nType) ? input.nNetFailures : input.nSysFailures);
  }
  const DelegateDetect* detect = DelegateDetect::Instance();
  input.pSite = dynamic_cast<const CIPSiteFindings*>(detect->FindHandler(DETECT_TYPE_IP_SITE));
  input.pServers = dynamic_cast<const CServerNetFindings*>(detect->FindHandler(DETECT_TYPE_SERVER_NET));
  input.nCpuGrade = GetCpuGrade(dynamic_cast<const CpuInfoFindings*>(detect->FindHandler(DETECT_TYPE_CPU)));
  input.nMemGrade = GetMemoryGrade(dynamic_cast<const MemoryInfoFindings*>(detect->FindHandler(DETECT_TYPE_MEMORY)));
  m_summary = ComposeSummary(input, skinkit::LibraryText);
  m_bCancelled = false;
  const SummaryText& summary = m_summary;

  if (m_pStateIcon) m_pStateIcon->SetAttribute(L"bkimage", summary.bProblems ? kMachinePictureProblems : kMachinePictureOk);
  ShowState(summary.bProblems ? PANEL_PROBLEMS : PANEL_NO_PROBLEMS, summary.strTitle);
  ShowCaptions(nullptr, summary.strNetLine.c_str(), summary.strSysLine.c_str());
  if (m_pStateGif) m_pStateGif->SetVisible(false);
  if (IsSilent()) FinishSilentRun();
}
