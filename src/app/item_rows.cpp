// The rows of the result list: one per item that has begun, under the header
// of its group (network group above the system group), each group ordered
// with failures first once its items finish.
#include "app/delegate_main.h"
#include "skinkit/format_keys.h"
#include "skinkit/resource_mgr.h"

namespace {

const char* ItemNameKey(int type) {
  // Indexed by type id.
  static const char* const keys[] = {
      "s.detect.cpu",  "s.detect.mem", "s.detect.audio",       "s.detect.video",
      "s.detect.disk", "s.detect.display.adapter", "s.detect.sys", "s.detect.net.adapter",
      "s.detect.net.local", "s.detect.net.server", "s.detect.ts0",
  };
  return type >= 0 && type < static_cast<int>(sizeof(keys) / sizeof(keys[0])) ? keys[type] : "";
}

const DWORD kCountColour = 0xFF00D572;
const DWORD kTextColour = 0xFF4C4C4C;
const DWORD kSeparatorColour = 0xFFE9EBF1;
const int kSystemItems = 9;
const int kNetworkItems = 2;

CLabelUI* AddLabel(CContainerUI* parent, std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> attributes) {
  CLabelUI* label = new CLabelUI();
  for (const auto& attribute : attributes) label->SetAttribute(attribute.first, attribute.second);
  parent->Add(label);
  return label;
}

}  // namespace

CHorizontalLayoutUI* DelegateMain::CreateGroupHeader(bool bSystem) {
  CHorizontalLayoutUI* header = new CHorizontalLayoutUI();
  header->SetFixedHeight(65);
  header->SetAttribute(L"inset", L"2,30,30,0");
  CLabelUI* title = AddLabel(header, {{L"align", L"left"}, {L"font", L"6"}, {L"textcolor", L"#FF4C4C4C"}});
  title->SetFixedWidth(bSystem ? 150 : 132);
  title->SetText(DllResourceMgr::LoadStringW(bSystem ? "s.detect.system" : "s.detect.net"));
  CLabelUI* total = AddLabel(header, {{L"align", L"left"}, {L"font", L"1"}, {L"textcolor", L"#FF4C4C4C"},
                                      {L"textpadding", L"0,2,0,0"}});
  total->SetFixedWidth(17);
  total->SetText(DllResourceMgr::LoadStringW("s.total"));
  CLabelUI* count = AddLabel(header, {{L"align", L"left"}, {L"font", L"9"}, {L"textcolor", L"#FF4C4C4C"},
                                      {L"textpadding", L"0,2,0,0"}});
  count->SetFixedWidth(15);
  count->SetText(std::to_wstring(bSystem ? kSystemItems : kNetworkItems));
  count->SetTextColor(kCountColour);
  CLabelUI* item = AddLabel(header, {{L"align", L"left"}, {L"font", L"1"}, {L"textcolor", L"#FF4C4C4C"},
                                     {L"textpadding", L"0,2,0,0"}});
  item->SetFixedWidth(300);
  item->SetText(DllResourceMgr::LoadStringW("s.item"));

  CContainerUI* separator = new CContainerUI();
  separator->SetAttribute(L"inset", L"0,0,30,0");
  separator->SetFixedHeight(1);
  CLabelUI* line = new CLabelUI();
  line->SetBkColor(kSeparatorColour);
  separator->Add(line);

  m_pListResult->AddAt(separator, 0);
  m_pListResult->AddAt(header, 0);
  return header;
}

CDetectItemUI* DelegateMain::CreateRow(int type) {
  m_vecItems.push_back(std::make_unique<CDetectItemUI>());
  CDetectItemUI* record = m_vecItems.back().get();
  record->m_nType = type;
  record->m_nState = VERDICT_NONE;

  CHorizontalLayoutUI* row = new CHorizontalLayoutUI();
  row->SetAttribute(L"height", L"61");
  row->SetAttribute(L"inset", L"2,18,30,0");
  record->m_pLayout = row;
  record->m_pIcon = AddLabel(row, {{L"width", L"14"}, {L"maxheight", L"14"},
                                   {L"bkimage", L"file='state_icon.png' source='0,0,14,14'"}});
  record->m_pName = AddLabel(row, {{L"width", L"247"}, {L"maxheight", L"14"}, {L"align", L"left"}, {L"font", L"1"},
                                   {L"textcolor", L"#FF4C4C4C"}, {L"textpadding", L"10,0,0,0"}});
  record->m_pName->SetText(DllResourceMgr::LoadStringW(ItemNameKey(type)));
  record->m_pState = AddLabel(row, {{L"width", L"247"}, {L"align", L"left"}, {L"font", L"1"},
                                    {L"textcolor", L"#FF4C4C4C"}});
  record->m_pState->SetMaxHeight(14);
  record->m_pState->SetText(DllResourceMgr::LoadStringW("s.detect.running"));

  CVerticalLayoutUI* detail = new CVerticalLayoutUI();
  detail->SetVisible(false);
  record->m_pDetail = detail;
  AddLabel(detail, {{L"height", L"28"}, {L"align", L"left"}, {L"valign", L"top"}, {L"font", L"1"},
                    {L"textcolor", L"#FF4C4C4C"}});
  for (int i = 0; i < 3; ++i) {
    CLabelUI* line = AddLabel(detail, {{L"align", L"left"}, {L"valign", L"top"}, {L"font", L"7"},
                                       {L"textcolor", L"#FF999999"}, {L"multiline", L"true"}});
    line->SetFixedHeight(25);
  }
  if (type == DETECT_TYPE_SERVER_NET) {
    CDialogBuilder builder;
    if (CControlUI* servers = builder.Create(L"netlayout.xml", nullptr, nullptr, &m_PaintManager)) {
      servers->SetName(L"net_result_layout");
      detail->Add(servers);
    }
  }
  row->Add(detail);
  row->SetTag(reinterpret_cast<UINT_PTR>(record));
  return record;
}

void DelegateMain::OnItemBegin(IDetectHandler* handler) {
  const int type = handler->GetType();
  if (type == DETECT_TYPE_CPU) m_pSysHeader = CreateGroupHeader(true);
  if (type == DETECT_TYPE_IP_SITE) m_pNetHeader = CreateGroupHeader(false);

  CDetectItemUI* record = CreateRow(type);
  m_pListResult->AddAt(record->m_pLayout, 2);

  DelegateDetect* detect = DelegateDetect::Instance();
  ShowProgress(skinkit::FormatText<skinkit::fmt::kRunningRate>(detect->GetCurIndex() + 1,
                                                               static_cast<int>(detect->Handlers().size())));
  HideResultLines();
}

void DelegateMain::JudgeItem(IDetectHandler* handler, CDetectItemUI* record) { record->UpdateResult(handler); }

void DelegateMain::OnItemFinish(IDetectHandler* handler, bool bCancel) {
  const int type = handler->GetType();
  for (const auto& item : m_vecItems) {
    if (item->m_nType == type) {
      JudgeItem(handler, item.get());
      RePlaceRow(item.get());
      break;
    }
  }
  if (bCancel) {
    CompleteGroup(true);
    CompleteGroup(false);
    ShowCancelled();
  } else if (type == DETECT_TYPE_PROCESS) {
    CompleteGroup(true);
  } else if (type == DETECT_TYPE_SERVER_NET) {
    CompleteGroup(false);
    ShowSummary();
  }
}

// A finished row sits at the top of its group; it moves down past every row
// whose verdict is at least as bad, so each group lists failures, then
// warnings, then passes, in finishing order within each.
void DelegateMain::RePlaceRow(CDetectItemUI* record) {
  CControlUI* row = record->m_pLayout;
  int start, end;
  if (m_pNetHeader) {
    start = m_pListResult->GetItemIndex(m_pNetHeader) + 2;
    end = m_pSysHeader ? m_pListResult->GetItemIndex(m_pSysHeader) - 1 : m_pListResult->GetCount() - 1;
  } else if (m_pSysHeader) {
    start = m_pListResult->GetItemIndex(m_pSysHeader) + 2;
    end = m_pListResult->GetCount() - 1;
  } else {
    return;
  }
  int target = end;
  for (int k = start; k <= end; ++k) {
    auto* other = reinterpret_cast<CDetectItemUI*>(m_pListResult->GetItemAt(k)->GetTag());
    if (other && other != record && other->m_nState < record->m_nState) {
      target = k - 1;
      break;
    }
  }
  m_pListResult->SetItemIndex(row, target);
}

void DelegateMain::CompleteGroup(bool bSystem) {
  int rows = 0, failed = 0, warned = 0;
  for (const auto& item : m_vecItems) {
    if (IsNetworkGroup(item->m_nType) == bSystem) continue;
    ++rows;
    if (item->m_nState == VERDICT_FAILURE) ++failed;
    if (item->m_nState == VERDICT_WARNING) ++warned;
  }
  CHorizontalLayoutUI* header = bSystem ? m_pSysHeader : m_pNetHeader;
  if (!header) return;
  header->GetItemAt(1)->SetVisible(false);
  auto* count = static_cast<CLabelUI*>(header->GetItemAt(2));
  count->SetText(std::to_wstring(failed > 0 ? failed : rows));
  count->SetTextColor(kTextColour);
  // "All passed" only when no row needs attention either.
  const char* tail = failed > 0 ? "s.detect.pass.tal2" : warned > 0 ? "s.detect.pass.warned" : "s.detect.pass.tail1";
  header->GetItemAt(3)->SetText(DllResourceMgr::LoadStringW(tail));
}

void DelegateMain::ClearRows() {
  m_vecItems.clear();
  m_pSysHeader = nullptr;
  m_pNetHeader = nullptr;
  if (m_pListResult) m_pListResult->RemoveAll();
}
