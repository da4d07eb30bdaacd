#include "ui/control.h"

#include <cwchar>

#include "corekit/log.h"
#include "ui/accessible.h"
#include "ui/paint_manager.h"
#include "ui/render.h"

namespace ui {
RECT ToRect(const Edges& e) { return RECT{e.left, e.top, e.right, e.bottom}; }
}  // namespace ui

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (m_pAccessible) {
    m_pAccessible->Detach();
    m_pAccessible->Release();
  }
  if (m_pManager) m_pManager->ReapObjects(this);
}

void* CControlUI::GetInterface(const wchar_t* name) {
  return name && wcscmp(name, L"Control") == 0 ? this : nullptr;
}

void CControlUI::SetText(const std::wstring& text) {
  if (m_sText == text) return;
  m_sText = text;
  Invalidate();
  // Only when a screen reader has asked for this control is it told.
  if (m_pAccessible && IsShownInTree()) CAccessibleUI::NotifyEvent(this, EVENT_OBJECT_NAMECHANGE);
}

void CControlUI::SetVisible(bool bVisible) {
  if (m_bVisible == bVisible) return;
  m_bVisible = bVisible;
  NeedUpdate();
  // Last: the kill-focus listeners may remove this control.
  if (!bVisible && m_pManager) m_pManager->ForgetHidden(this);
}

bool CControlUI::IsShownInTree() const {
  for (const CControlUI* c = this; c; c = c->m_pParent)
    if (!c->m_bVisible) return false;
  return true;
}

void CControlUI::SetEnabled(bool bEnabled) {
  if (m_bEnabled == bEnabled) return;
  m_bEnabled = bEnabled;
  Invalidate();
  // Last: the kill-focus listeners may remove this control.
  if (!bEnabled && m_pManager) m_pManager->ForgetHidden(this);
}

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0 || cx == m_cxFixed) return;
  m_cxFixed = cx;
  NeedUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0 || cy == m_cyFixed) return;
  m_cyFixed = cy;
  NeedUpdate();
}

void CControlUI::SetMinWidth(int cx) {
  if (cx < 0) return;
  m_cxMin = cx;
  NeedUpdate();
}

void CControlUI::SetMinHeight(int cy) {
  if (cy < 0) return;
  m_cyMin = cy;
  NeedUpdate();
}

void CControlUI::SetMaxWidth(int cx) {
  if (cx < 0) return;
  m_cxMax = cx;
  NeedUpdate();
}

void CControlUI::SetMaxHeight(int cy) {
  if (cy < 0) return;
  m_cyMax = cy;
  NeedUpdate();
}

void CControlUI::SetPadding(RECT rc) {
  m_rcPadding = rc;
  NeedUpdate();
}

void CControlUI::SetFloat(bool bFloat) {
  if (m_bFloat == bFloat) return;
  m_bFloat = bFloat;
  NeedUpdate();
}

void CControlUI::SetFloatPos(RECT rc) {
  m_rcFloat = rc;
  if (rc.right > rc.left) m_cxFixed = rc.right - rc.left;
  if (rc.bottom > rc.top) m_cyFixed = rc.bottom - rc.top;
  NeedUpdate();
}

void CControlUI::SetBkColor(DWORD argb) {
  m_dwBkColor = argb;
  Invalidate();
}

void CControlUI::SetBorderColor(DWORD argb) {
  m_dwBorderColor = argb;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  if (size < 0) return;
  m_nBorderSize = size;
  Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
  if (round.cx < 0 || round.cy < 0) return;
  m_szBorderRound = round;
  Invalidate();
}

void CControlUI::SetBkImage(const std::wstring& image) {
  ui::ImageDesc desc;
  if (image.empty()) {
    m_bkImage = desc;
  } else if (ui::ParseImageDesc(image, desc)) {
    m_bkImage = desc;
  } else {
    LOG_METHOD(LOG_LEVEL_ERROR, "bad image = " << image);
    return;
  }
  Invalidate();
}

std::wstring CControlUI::ResolveText(const wchar_t* value) {
  std::string key;
  if (ui::ParseTextKey(value, key)) {
    const auto& resolver = CPaintManagerUI::GetTextResolver();
    if (resolver) return resolver(key);
  }
  return value;
}

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  const std::wstring n = name;
  bool ok = true;
  int i = 0;
  bool b = false;
  uint32_t color = 0;
  ui::Edges edges;
  if (n == L"name") SetName(value);
  else if (n == L"text") SetText(ResolveText(value));
  else if (n == L"tooltip") SetToolTip(ResolveText(value));
  else if (n == L"visible") (ok = ui::ParseBool(value, b)) && (SetVisible(b), true);
  else if (n == L"enabled") (ok = ui::ParseBool(value, b)) && (SetEnabled(b), true);
  else if (n == L"float") (ok = ui::ParseBool(value, b)) && (SetFloat(b), true);
  else if (n == L"width") (ok = ui::ParseInt(value, i) && i >= 0) && (SetFixedWidth(i), true);
  else if (n == L"height") (ok = ui::ParseInt(value, i) && i >= 0) && (SetFixedHeight(i), true);
  else if (n == L"minwidth") (ok = ui::ParseInt(value, i) && i >= 0) && (SetMinWidth(i), true);
  else if (n == L"minheight") (ok = ui::ParseInt(value, i) && i >= 0) && (SetMinHeight(i), true);
  else if (n == L"maxwidth") (ok = ui::ParseInt(value, i) && i >= 0) && (SetMaxWidth(i), true);
  else if (n == L"maxheight") (ok = ui::ParseInt(value, i) && i >= 0) && (SetMaxHeight(i), true);
  else if (n == L"bordersize") (ok = ui::ParseInt(value, i) && i >= 0) && (SetBorderSize(i), true);
  else if (n == L"pos") (ok = ui::ParseEdges(value, edges)) && (SetFloatPos(ui::ToRect(edges)), true);
  else if (n == L"padding") (ok = ui::ParseEdges(value, edges)) && (SetPadding(ui::ToRect(edges)), true);
  else if (n == L"bkcolor") (ok = ui::ParseColor(value, color)) && (SetBkColor(color), true);
  else if (n == L"bordercolor") (ok = ui::ParseColor(value, color)) && (SetBorderColor(color), true);
  else if (n == L"borderround") {
    int cx = 0, cy = 0;
    (ok = ui::ParsePair(value, cx, cy) && cx >= 0 && cy >= 0) && (SetBorderRound(SIZE{cx, cy}), true);
  } else if (n == L"bkimage") SetBkImage(value);
  if (!ok) LOG_METHOD(LOG_LEVEL_ERROR, "bad value of " << name << " = " << value);
}

void CControlUI::SetPos(RECT rc) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  m_rcItem = rc;
}

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent) {
  m_pManager = pManager;
  m_pParent = pParent;
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  if ((uFlags & UIFIND_HITTEST) && !::PtInRect(&m_rcItem, *static_cast<const POINT*>(pData))) return nullptr;
  return Proc(this, pData);
}

void CControlUI::NeedUpdate() {
  if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::Invalidate() {
  if (m_pManager) m_pManager->Invalidate(m_rcItem);
}

bool CControlUI::IsFocused() const { return m_pManager && m_pManager->GetFocus() == this; }

void CControlUI::SetFocus() {
  if (m_pManager) m_pManager->SetFocus(this);
}

void CControlUI::DoPaint(CUIRender& render, const RECT& rcPaint) {
  RECT overlap;
  if (!::IntersectRect(&overlap, &rcPaint, &m_rcItem)) return;
  PaintBkColor(render);
  PaintBkImage(render);
  PaintStatusImage(render);
  PaintText(render);
  PaintBorder(render);
}

void CControlUI::PaintBkColor(CUIRender& render) {
  if (m_dwBkColor >> 24) render.FillRoundRect(m_rcItem, m_szBorderRound, m_dwBkColor);
}

void CControlUI::PaintBkImage(CUIRender& render) {
  if (!m_bkImage.IsEmpty()) render.DrawImage(m_rcItem, m_bkImage);
}

void CControlUI::PaintBorder(CUIRender& render) {
  if (m_nBorderSize > 0 && (m_dwBorderColor >> 24))
    render.DrawBorder(m_rcItem, m_nBorderSize, m_szBorderRound, m_dwBorderColor);
}

void CControlUI::DoEvent(TEventUI& event) {
  // What a control does not use goes to its parent, so a label inside a
  // button still makes the button hot and pressed.
  if (m_pParent) m_pParent->DoEvent(event);
}

CAccessibleUI* CControlUI::GetAccessible() {
  if (!m_pAccessible) m_pAccessible = new CAccessibleUI(this);
  return m_pAccessible;
}
