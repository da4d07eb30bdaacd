#include "ui/container.h"

#include <algorithm>
#include <cwchar>

#include "corekit/log.h"
#include "ui/paint_manager.h"
#include "ui/render.h"

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  for (CControlUI* item : m_items) delete item;
}

void* CContainerUI::GetInterface(const wchar_t* name) {
  if (name && wcscmp(name, L"Container") == 0) return this;
  return CControlUI::GetInterface(name);
}

bool CContainerUI::Add(CControlUI* pControl) { return AddAt(pControl, GetCount()); }

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
  if (!pControl || iIndex < 0 || iIndex > GetCount() || pControl == this) return false;
  if (std::find(m_items.begin(), m_items.end(), pControl) != m_items.end()) return false;
  m_items.insert(m_items.begin() + iIndex, pControl);
  pControl->SetManager(m_pManager, this);
  NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
  return RemoveAt(GetItemIndex(pControl), bDoNotDestroy);
}

bool CContainerUI::RemoveAt(int iIndex, bool bDoNotDestroy) {
  if (iIndex < 0 || iIndex >= GetCount()) return false;
  CControlUI* pControl = m_items[iIndex];
  m_items.erase(m_items.begin() + iIndex);
  NeedUpdate();
  TakeOut(pControl, !bDoNotDestroy);
  return true;
}

void CContainerUI::RemoveAll() {
  std::vector<CControlUI*> items;
  items.swap(m_items);
  NeedUpdate();
  for (CControlUI* item : items) TakeOut(item, true);
}

void CContainerUI::TakeOut(CControlUI* pControl, bool bDestroy) {
  CPaintManagerUI* manager = m_pManager;
  if (manager) manager->ReapTree(pControl);
  pControl->SetManager(nullptr, nullptr);
  if (!bDestroy) return;
  // Inside a dispatch a caller up the stack may still hold it.
  if (manager) manager->DestroyRemoved(pControl);
  else delete pControl;
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
  return iIndex >= 0 && iIndex < GetCount() ? m_items[iIndex] : nullptr;
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
  auto it = std::find(m_items.begin(), m_items.end(), pControl);
  return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* pControl, int iIndex) {
  int from = GetItemIndex(pControl);
  if (from < 0 || iIndex < 0 || iIndex >= GetCount()) return false;
  m_items.erase(m_items.begin() + from);
  m_items.insert(m_items.begin() + iIndex, pControl);
  NeedUpdate();
  return true;
}

void CContainerUI::SetInset(RECT rc) {
  m_rcInset = rc;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  if (padding < 0) return;
  m_iChildPadding = padding;
  NeedUpdate();
}

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  if (wcscmp(name, L"inset") == 0) {
    ui::Edges edges;
    if (ui::ParseEdges(value, edges)) SetInset(ui::ToRect(edges));
    else LOG_METHOD(LOG_LEVEL_ERROR, "bad value of inset = " << value);
  } else if (wcscmp(name, L"childpadding") == 0) {
    int padding = 0;
    if (ui::ParseInt(value, padding) && padding >= 0) SetChildPadding(padding);
    else LOG_METHOD(LOG_LEVEL_ERROR, "bad value of childpadding = " << value);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

RECT CContainerUI::InnerRect() const {
  RECT rc = m_rcItem;
  rc.left += m_rcInset.left;
  rc.top += m_rcInset.top;
  rc.right -= m_rcInset.right;
  rc.bottom -= m_rcInset.bottom;
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

void CContainerUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  RECT inner = InnerRect();
  for (CControlUI* item : m_items) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    const RECT& pad = item->GetPadding();
    int width = ui::CrossSize(item->GetFixedWidth(), item->GetMinWidth(), item->GetMaxWidth(),
                              inner.right - inner.left - pad.left - pad.right);
    int height = ui::CrossSize(item->GetFixedHeight(), item->GetMinHeight(), item->GetMaxHeight(),
                               inner.bottom - inner.top - pad.top - pad.bottom);
    item->SetPos(RECT{inner.left + pad.left, inner.top + pad.top, inner.left + pad.left + width,
                      inner.top + pad.top + height});
  }
  ArrangeFloats();
}

void CContainerUI::CollectStack(bool bVertical, std::vector<CControlUI*>& stacked,
                                std::vector<ui::AxisItem>& axis) const {
  for (CControlUI* item : m_items) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    const RECT& pad = item->GetPadding();
    ui::AxisItem a;
    a.fixed = bVertical ? item->GetFixedHeight() : item->GetFixedWidth();
    a.minSize = bVertical ? item->GetMinHeight() : item->GetMinWidth();
    a.maxSize = bVertical ? item->GetMaxHeight() : item->GetMaxWidth();
    a.padBefore = bVertical ? pad.top : pad.left;
    a.padAfter = bVertical ? pad.bottom : pad.right;
    stacked.push_back(item);
    axis.push_back(a);
  }
}

int CContainerUI::StackLength(bool bVertical) const {
  std::vector<CControlUI*> stacked;
  std::vector<ui::AxisItem> axis;
  CollectStack(bVertical, stacked, axis);
  return ui::RequiredLength(axis, m_iChildPadding);
}

void CContainerUI::ArrangeStack(bool bVertical, RECT rcInner, int mainLength, int scroll) {
  std::vector<CControlUI*> stacked;
  std::vector<ui::AxisItem> axis;
  CollectStack(bVertical, stacked, axis);
  int crossLength = bVertical ? rcInner.right - rcInner.left : rcInner.bottom - rcInner.top;
  std::vector<ui::AxisSlot> slots = ui::DistributeAxis(axis, mainLength, m_iChildPadding);
  for (size_t i = 0; i < stacked.size(); ++i) {
    CControlUI* item = stacked[i];
    const RECT& pad = item->GetPadding();
    int padStart = bVertical ? pad.left : pad.top;
    int padEnd = bVertical ? pad.right : pad.bottom;
    int cross = bVertical ? ui::CrossSize(item->GetFixedWidth(), item->GetMinWidth(), item->GetMaxWidth(),
                                          crossLength - padStart - padEnd)
                          : ui::CrossSize(item->GetFixedHeight(), item->GetMinHeight(), item->GetMaxHeight(),
                                          crossLength - padStart - padEnd);
    int crossStart = (bVertical ? rcInner.left : rcInner.top) + padStart;
    int mainStart = (bVertical ? rcInner.top : rcInner.left) + slots[i].start - scroll;
    int mainEnd = mainStart + slots[i].size;
    item->SetPos(bVertical ? RECT{crossStart, mainStart, crossStart + cross, mainEnd}
                           : RECT{mainStart, crossStart, mainEnd, crossStart + cross});
  }
  ArrangeFloats();
}

void CContainerUI::ArrangeFloats() {
  for (CControlUI* item : m_items) {
    if (!item->IsVisible() || !item->IsFloat()) continue;
    const RECT& pos = item->GetFloatPos();
    int width = item->GetFixedWidth() > 0 ? item->GetFixedWidth() : pos.right - pos.left;
    int height = item->GetFixedHeight() > 0 ? item->GetFixedHeight() : pos.bottom - pos.top;
    RECT rc = {m_rcItem.left + pos.left, m_rcItem.top + pos.top, 0, 0};
    rc.right = rc.left + std::max(width, 0);
    rc.bottom = rc.top + std::max(height, 0);
    item->SetPos(rc);
  }
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent) {
  CControlUI::SetManager(pManager, pParent);
  for (CControlUI* item : m_items) item->SetManager(pManager, this);
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  if ((uFlags & UIFIND_HITTEST)) {
    const POINT* pt = static_cast<const POINT*>(pData);
    if (!::PtInRect(&m_rcItem, *pt)) return nullptr;
  }
  if (uFlags & UIFIND_ME_FIRST) {
    if (CControlUI* found = Proc(this, pData)) return found;
  }
  // Top first: the last child is painted last, so it is hit first.
  if (uFlags & UIFIND_TOP_FIRST) {
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
      if (CControlUI* found = (*it)->FindControl(Proc, pData, uFlags)) return found;
  } else {
    for (CControlUI* item : m_items)
      if (CControlUI* found = item->FindControl(Proc, pData, uFlags)) return found;
  }
  if (uFlags & UIFIND_ME_FIRST) return nullptr;
  return Proc(this, pData);
}

void CContainerUI::DoPaint(CUIRender& render, const RECT& rcPaint) {
  RECT clip;
  if (!::IntersectRect(&clip, &rcPaint, &m_rcItem)) return;
  PaintBkColor(render);
  PaintBkImage(render);
  PaintStatusImage(render);
  PaintText(render);
  render.PushClip(clip);
  for (CControlUI* item : m_items) {
    if (!item->IsVisible()) continue;
    RECT overlap;
    if (!::IntersectRect(&overlap, &clip, &item->GetPos())) continue;
    item->DoPaint(render, clip);
  }
  PaintOverlay(render);
  render.PopClip();
  PaintBorder(render);  // over the children, which would hide it
}

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
  if (name && wcscmp(name, L"HorizontalLayout") == 0) return this;
  return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  RECT inner = InnerRect();
  ArrangeStack(false, inner, inner.right - inner.left, 0);
}
