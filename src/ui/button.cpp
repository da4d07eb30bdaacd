#include "ui/button.h"

#include <cwchar>

#include "corekit/log.h"
#include "ui/paint_manager.h"
#include "ui/render.h"

namespace {
// The focus ring: a dark blue outline with a white line inside, visible on
// light backgrounds and on the blue flat buttons alike.
const DWORD kFocusRingColor = 0xFF0B3D91;
const DWORD kFocusInnerColor = 0xFFFFFFFF;
}  // namespace

CButtonUI::CButtonUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* CButtonUI::GetInterface(const wchar_t* name) {
  if (name && wcscmp(name, L"Button") == 0) return this;
  return CLabelUI::GetInterface(name);
}

void CButtonUI::SetStateImage(ImageState state, const std::wstring& image) {
  ui::ImageDesc desc;
  if (!image.empty() && !ui::ParseImageDesc(image, desc)) {
    LOG_METHOD(LOG_LEVEL_ERROR, "bad image = " << image);
    return;
  }
  m_images[state] = desc;
  Invalidate();
}

void CButtonUI::SetNormalImage(const std::wstring& image) { SetStateImage(kNormal, image); }
void CButtonUI::SetHotImage(const std::wstring& image) { SetStateImage(kHot, image); }
void CButtonUI::SetPushedImage(const std::wstring& image) { SetStateImage(kPushed, image); }
void CButtonUI::SetDisabledImage(const std::wstring& image) { SetStateImage(kDisabled, image); }
void CButtonUI::SetFocusedImage(const std::wstring& image) { SetStateImage(kFocused, image); }

void CButtonUI::SetHotBkColor(DWORD argb) {
  m_dwHotBkColor = argb;
  Invalidate();
}

void CButtonUI::SetPushedBkColor(DWORD argb) {
  m_dwPushedBkColor = argb;
  Invalidate();
}

void CButtonUI::SetDisabledBkColor(DWORD argb) {
  m_dwDisabledBkColor = argb;
  Invalidate();
}

void CButtonUI::SetHotTextColor(DWORD argb) {
  m_dwHotTextColor = argb;
  Invalidate();
}

void CButtonUI::SetEnabled(bool bEnabled) {
  if (!bEnabled) m_bHot = m_bPushed = m_bCaptured = false;
  CLabelUI::SetEnabled(bEnabled);
}

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  const std::wstring n = name;
  static const struct {
    const wchar_t* name;
    ImageState state;
  } kImages[] = {{L"normalimage", kNormal},
                 {L"hotimage", kHot},
                 {L"pushedimage", kPushed},
                 {L"disabledimage", kDisabled},
                 {L"focusedimage", kFocused}};
  for (const auto& image : kImages) {
    if (n == image.name) return SetStateImage(image.state, value);
  }
  static const struct {
    const wchar_t* name;
    void (CButtonUI::*set)(DWORD);
  } kColors[] = {{L"hotbkcolor", &CButtonUI::SetHotBkColor},
                 {L"pushedbkcolor", &CButtonUI::SetPushedBkColor},
                 {L"disabledbkcolor", &CButtonUI::SetDisabledBkColor},
                 {L"hottextcolor", &CButtonUI::SetHotTextColor}};
  for (const auto& color : kColors) {
    if (n != color.name) continue;
    uint32_t argb = 0;
    if (ui::ParseColor(value, argb)) (this->*color.set)(argb);
    else LOG_METHOD(LOG_LEVEL_ERROR, "bad value of " << name << " = " << value);
    return;
  }
  CLabelUI::SetAttribute(name, value);
}

bool CButtonUI::ContainsPoint(POINT pt) const { return ::PtInRect(&m_rcItem, pt) != FALSE; }

void CButtonUI::DoEvent(TEventUI& event) {
  if (!IsEnabled()) {
    if (m_pParent) m_pParent->DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_MOUSEENTER:
      m_bHot = true;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      m_bHot = ContainsPoint(event.ptMouse);
      Invalidate();
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      m_bCaptured = m_bPushed = true;
      Invalidate();
      return;
    case UIEVENT_MOUSEMOVE:
      if (m_bCaptured) {
        bool inside = ContainsPoint(event.ptMouse);
        if (inside != m_bPushed) {
          m_bPushed = inside;
          Invalidate();
        }
      }
      return;
    case UIEVENT_BUTTONUP: {
      bool press = m_bCaptured && ContainsPoint(event.ptMouse);
      m_bCaptured = m_bPushed = false;
      m_bHot = ContainsPoint(event.ptMouse);
      Invalidate();
      if (press) Activate();  // last: the listener may destroy this button
      return;
    }
    case UIEVENT_SETCURSOR:
      ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
      return;
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      Invalidate();
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CButtonUI::Activate() {
  if (!IsEnabled() || !IsShownInTree() || !m_pManager) return;
  m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
}

void CButtonUI::PaintBkColor(CUIRender& render) {
  DWORD color = m_dwBkColor;
  if (!IsEnabled()) {
    if (m_dwDisabledBkColor >> 24) color = m_dwDisabledBkColor;
  } else if (m_bPushed && (m_dwPushedBkColor >> 24)) {
    color = m_dwPushedBkColor;
  } else if ((m_bHot || m_bPushed) && (m_dwHotBkColor >> 24)) {
    color = m_dwHotBkColor;
  }
  if (color >> 24) render.FillRoundRect(m_rcItem, m_szBorderRound, color);
}

void CButtonUI::PaintStatusImage(CUIRender& render) {
  ImageState state = kNormal;
  if (!IsEnabled()) state = kDisabled;
  else if (m_bPushed) state = kPushed;
  else if (m_bHot) state = kHot;
  // A state without its own image falls back to the hot one (pushed), then
  // the normal one.
  const ui::ImageDesc* image = &m_images[state];
  if (image->IsEmpty() && state == kPushed) image = &m_images[kHot];
  if (image->IsEmpty()) image = &m_images[kNormal];
  if (!image->IsEmpty()) render.DrawImage(m_rcItem, *image);
  if (IsFocused() && !m_images[kFocused].IsEmpty()) render.DrawImage(m_rcItem, m_images[kFocused]);
}

void CButtonUI::PaintBorder(CUIRender& render) {
  CLabelUI::PaintBorder(render);
  if (!IsFocused() || !m_pManager || !m_pManager->IsFocusCueShown() || !m_images[kFocused].IsEmpty()) return;
  render.DrawBorder(m_rcItem, 2, m_szBorderRound, kFocusRingColor);
  RECT inner = m_rcItem;
  ::InflateRect(&inner, -2, -2);
  SIZE round = {m_szBorderRound.cx > 4 ? m_szBorderRound.cx - 4 : 0, m_szBorderRound.cy > 4 ? m_szBorderRound.cy - 4 : 0};
  render.DrawBorder(inner, 1, round, kFocusInnerColor);
}

DWORD CButtonUI::CurrentTextColor() const {
  if (IsEnabled() && (m_bHot || m_bPushed) && (m_dwHotTextColor >> 24)) return m_dwHotTextColor;
  return CLabelUI::CurrentTextColor();
}
