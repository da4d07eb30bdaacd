#include "ui/label.h"

#include <cwchar>

#include "corekit/log.h"
#include "ui/render.h"

CLabelUI::CLabelUI() = default;

void* CLabelUI::GetInterface(const wchar_t* name) {
  if (name && wcscmp(name, L"Label") == 0) return this;
  return CControlUI::GetInterface(name);
}

void CLabelUI::SetTextColor(DWORD argb) {
  m_dwTextColor = argb;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD argb) {
  m_dwDisabledTextColor = argb;
  Invalidate();
}

void CLabelUI::SetFont(int index) {
  m_iFont = index;
  Invalidate();
}

void CLabelUI::SetTextPadding(RECT rc) {
  m_rcTextPadding = rc;
  Invalidate();
}

void CLabelUI::SetTextStyle(UINT style) {
  m_uTextStyle = style;
  Invalidate();
}

void CLabelUI::SetMultiLine(bool bMultiLine) {
  if (bMultiLine) SetTextStyle((m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK);
  else SetTextStyle((m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE);
}

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  const std::wstring n = name;
  const std::wstring v = value;
  uint32_t color = 0;
  int i = 0;
  bool b = false;
  ui::Edges edges;
  bool ok = true;
  if (n == L"textcolor") (ok = ui::ParseColor(v, color)) && (SetTextColor(color), true);
  else if (n == L"disabledtextcolor") (ok = ui::ParseColor(v, color)) && (SetDisabledTextColor(color), true);
  else if (n == L"font") (ok = ui::ParseInt(v, i) && i >= 0) && (SetFont(i), true);
  else if (n == L"textpadding") (ok = ui::ParseEdges(v, edges)) && (SetTextPadding(ui::ToRect(edges)), true);
  else if (n == L"multiline") (ok = ui::ParseBool(v, b)) && (SetMultiLine(b), true);
  else if (n == L"endellipsis") {
    if ((ok = ui::ParseBool(v, b))) SetTextStyle(b ? m_uTextStyle | DT_END_ELLIPSIS : m_uTextStyle & ~DT_END_ELLIPSIS);
  } else if (n == L"align") {
    UINT h = v == L"left" ? DT_LEFT : v == L"center" ? DT_CENTER : v == L"right" ? DT_RIGHT : ~0u;
    if ((ok = h != ~0u)) SetTextStyle((m_uTextStyle & ~(DT_CENTER | DT_RIGHT)) | h);
  } else if (n == L"valign") {
    UINT vert = v == L"top" ? DT_TOP : v == L"vcenter" ? DT_VCENTER : v == L"bottom" ? DT_BOTTOM : ~0u;
    if ((ok = vert != ~0u)) SetTextStyle((m_uTextStyle & ~(DT_VCENTER | DT_BOTTOM)) | vert);
  } else {
    CControlUI::SetAttribute(name, value);
  }
  if (!ok) LOG_METHOD(LOG_LEVEL_ERROR, "bad value of " << name << " = " << value);
}

DWORD CLabelUI::CurrentTextColor() const {
  if (!IsEnabled() && (m_dwDisabledTextColor >> 24)) return m_dwDisabledTextColor;
  return m_dwTextColor;
}

void CLabelUI::PaintText(CUIRender& render) {
  std::wstring text = GetText();
  if (text.empty()) return;
  RECT rc = m_rcItem;
  rc.left += m_rcTextPadding.left;
  rc.top += m_rcTextPadding.top;
  rc.right -= m_rcTextPadding.right;
  rc.bottom -= m_rcTextPadding.bottom;
  render.DrawString(rc, text, CurrentTextColor(), m_iFont, m_uTextStyle);
}
