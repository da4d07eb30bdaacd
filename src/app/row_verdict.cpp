// A finished item's verdict, shown in its row: the rules of item_verdict.h
// applied to the handler's findings, with the texts of the resource library.
#include "app/detect_item_ui.h"
#include "corekit/log.h"
#include "detect/detect_handler.h"
#include "probes/local/conflicting_program.h"
#include "probes/local/cpu_info.h"
#include "probes/local/device_list.h"
#include "probes/local/disk_space.h"
#include "probes/local/display_adapter.h"
#include "probes/local/memory_info.h"
#include "probes/local/os_version.h"
#include "probes/net/adapter_info.h"
#include "probes/net/ip_site_handler.h"
#include "probes/net/server_net_findings.h"
#include "ui/ui.h"

namespace {

// The rule applied to the findings the handler carries; a handler without
// them gets no verdict instead of a misread one.
template <class Findings, class Rule>
std::optional<ItemVerdict> Apply(IDetectHandler* handler, Rule rule, const skinkit::TextLookup& text) {
  const auto* findings = dynamic_cast<const Findings*>(handler);
  if (!findings) return std::nullopt;
  return rule(*findings, text);
}

std::optional<ItemVerdict> Judge(IDetectHandler* handler, const skinkit::TextLookup& text) {
  switch (handler->GetType()) {
    case DETECT_TYPE_CPU: return Apply<CpuInfoFindings>(handler, JudgeCpu, text);
    case DETECT_TYPE_MEMORY: return Apply<MemoryInfoFindings>(handler, JudgeMemory, text);
    case DETECT_TYPE_AUDIO: return Apply<AudioDeviceFindings>(handler, JudgeAudio, text);
    case DETECT_TYPE_VIDEO: return Apply<VideoDeviceFindings>(handler, JudgeVideo, text);
    case DETECT_TYPE_DISK: return Apply<DiskSpaceFindings>(handler, JudgeDisk, text);
    case DETECT_TYPE_DISPLAY_ADAPTER: return Apply<DisplayAdapterFindings>(handler, JudgeDisplay, text);
    case DETECT_TYPE_SYSTEM: return Apply<SystemInfoFindings>(handler, JudgeSystem, text);
    case DETECT_TYPE_NET_ADAPTER: return Apply<NetAdapterFindings>(handler, JudgeNetAdapter, text);
    case DETECT_TYPE_IP_SITE: {
      const auto* site = dynamic_cast<const CIPSiteHandler*>(handler);
      if (!site) return std::nullopt;
      return JudgeIpSite(*site, site->IsFinish(), text);
    }
    case DETECT_TYPE_SERVER_NET: return Apply<CServerNetFindings>(handler, JudgeServerNet, text);
    case DETECT_TYPE_PROCESS: return Apply<ProcessFindings>(handler, JudgeProcess, text);
    default: return std::nullopt;
  }
}

CControlUI* CALLBACK CollectLabel(CControlUI* control, LPVOID data) {
  if (control->GetInterface(L"Label")) static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
  return nullptr;
}

// The per-server labels of the media-server row, in the skin library's
// search order (depth first, children in layout order).
std::vector<CControlUI*> ServerLabels(CVerticalLayoutUI* detail) {
  std::vector<CControlUI*> labels;
  CPaintManagerUI* manager = detail->GetManager();
  CControlUI* servers = manager ? manager->FindSubControlByName(detail, L"net_result_layout") : nullptr;
  if (servers) servers->FindControl(CollectLabel, &labels, UIFIND_ALL);
  return labels;
}

}  // namespace

void CDetectItemUI::UpdateResult(IDetectHandler* handler) {
  if (!handler || !m_pLayout || !m_pDetail) return;
  m_pState->SetVisible(false);
  m_pDetail->SetVisible(true);
  const int type = handler->GetType();
  const std::optional<ItemVerdict> verdict = Judge(handler, skinkit::LibraryText);
  if (!verdict) {
    if (type >= DETECT_TYPE_CPU && type <= DETECT_TYPE_PROCESS) {
      LOG_METHOD_TAG(LOG_LEVEL_ERROR, "CDetectItemUI::UpdateResult", "no findings for type = " << type);
    }
    return;
  }

  m_nState = verdict->nCode;
  m_pIcon->SetAttribute(L"bkimage", verdict->szIcon);
  for (int i = 0; i < 4 && i < m_pDetail->GetCount(); ++i) {
    CControlUI* line = m_pDetail->GetItemAt(i);
    const std::optional<std::wstring>& text = verdict->lines[i];
    if (text) {
      line->SetVisible(true);
      line->SetText(*text);
    } else {
      line->SetVisible(false);
    }
  }
  m_pLayout->SetFixedHeight(verdict->nHeight);
  if (verdict->szInset) m_pLayout->SetAttribute(L"inset", verdict->szInset);
  if (!verdict->vecServerLines.empty()) {
    const std::vector<CControlUI*> labels = ServerLabels(m_pDetail);
    for (size_t i = 0; i < labels.size() && i < verdict->vecServerLines.size(); ++i) {
      labels[i]->SetText(verdict->vecServerLines[i]);
    }
  }
  for (const std::string& line : verdict->vecLog) LOG_METHOD_TAG(LOG_LEVEL_INFO, "CDetectItemUI::UpdateResult", line);
}
