#include "ui/vertical_layout.h"

#include <algorithm>
#include <cwchar>

#include "corekit/log.h"
#include "ui/render.h"

namespace {
const int kWheelStep = 60;     // pixels per notch of the wheel
const int kMinThumb = 24;
const DWORD kThumbColor = 0x40000000;
const DWORD kThumbHotColor = 0x80000000;
}  // namespace

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
  if (name && wcscmp(name, L"VerticalLayout") == 0) return this;
  return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::EnableScrollBar(bool bEnable) {
  if (m_bVScroll == bEnable) return;
  m_bVScroll = bEnable;
  if (!bEnable) m_nScrollPos = 0;
  NeedUpdate();
}

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (name && value && wcscmp(name, L"vscrollbar") == 0) {
    bool enable = false;
    if (ui::ParseBool(value, enable)) EnableScrollBar(enable);
    else LOG_METHOD(LOG_LEVEL_ERROR, "bad value of vscrollbar = " << value);
    return;
  }
  CContainerUI::SetAttribute(name, value);
}

void CVerticalLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  RECT inner = InnerRect();
  m_nViewHeight = inner.bottom - inner.top;
  int need = StackLength(true);
  m_nScrollRange = m_bVScroll ? std::max(need - m_nViewHeight, 0) : 0;
  m_nScrollPos = std::min(std::max(m_nScrollPos, 0), m_nScrollRange);
  if (m_nScrollRange > 0) inner.right = std::max(inner.left, inner.right - kScrollBarWidth);
  ArrangeStack(true, inner, m_nScrollRange > 0 ? need : m_nViewHeight, m_nScrollPos);
}

void CVerticalLayoutUI::SetScrollPos(int pos) {
  pos = std::min(std::max(pos, 0), m_nScrollRange);
  if (pos == m_nScrollPos) return;
  m_nScrollPos = pos;
  SetPos(m_rcItem);
  Invalidate();
}

void CVerticalLayoutUI::EnsureVisible(CControlUI* pControl) {
  if (GetItemIndex(pControl) < 0 || m_nScrollRange == 0) return;
  RECT inner = InnerRect();
  const RECT& rc = pControl->GetPos();
  if (rc.top < inner.top) SetScrollPos(m_nScrollPos - (inner.top - rc.top));
  else if (rc.bottom > inner.bottom) SetScrollPos(m_nScrollPos + (rc.bottom - inner.bottom));
}

RECT CVerticalLayoutUI::BarRect() const {
  RECT inner = InnerRect();
  return RECT{inner.right - kScrollBarWidth, inner.top, inner.right, inner.bottom};
}

RECT CVerticalLayoutUI::ThumbRect() const {
  RECT bar = BarRect();
  int track = bar.bottom - bar.top;
  int content = m_nViewHeight + m_nScrollRange;
  if (content <= 0 || track <= 0) return RECT{0, 0, 0, 0};
  int thumb = std::min(track, std::max(kMinThumb, static_cast<int>(static_cast<long long>(track) * m_nViewHeight / content)));
  int top = bar.top + (m_nScrollRange > 0 ? static_cast<int>(static_cast<long long>(track - thumb) * m_nScrollPos / m_nScrollRange) : 0);
  return RECT{bar.left + 2, top, bar.right - 2, top + thumb};
}

void CVerticalLayoutUI::DoEvent(TEventUI& event) {
  if (m_nScrollRange <= 0) return CContainerUI::DoEvent(event);
  RECT bar = BarRect();
  bool overBar = ::PtInRect(&bar, event.ptMouse) != FALSE;
  switch (event.Type) {
    case UIEVENT_SCROLLWHEEL: {
      int delta = static_cast<short>(HIWORD(event.wParam));
      SetScrollPos(m_nScrollPos - delta * kWheelStep / WHEEL_DELTA);
      return;
    }
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (!overBar) break;
      {
        RECT thumb = ThumbRect();
        if (event.ptMouse.y >= thumb.top && event.ptMouse.y < thumb.bottom) {
          m_bDragging = true;
          m_nDragOffset = event.ptMouse.y - thumb.top;
          Invalidate();
        } else {
          SetScrollPos(m_nScrollPos + (event.ptMouse.y < thumb.top ? -m_nViewHeight : m_nViewHeight));
        }
      }
      return;
    case UIEVENT_MOUSEMOVE:
      if (m_bDragging) {
        RECT thumb = ThumbRect();
        int travel = (bar.bottom - bar.top) - (thumb.bottom - thumb.top);
        if (travel > 0)
          SetScrollPos(static_cast<int>(static_cast<long long>(event.ptMouse.y - m_nDragOffset - bar.top) * m_nScrollRange / travel));
        return;
      }
      if (overBar != m_bBarHot) {
        m_bBarHot = overBar;
        Invalidate();
      }
      break;
    case UIEVENT_BUTTONUP:
      if (m_bDragging) {
        m_bDragging = false;
        Invalidate();
        return;
      }
      break;
    case UIEVENT_MOUSELEAVE:
      if (m_bBarHot && !m_bDragging) {
        m_bBarHot = false;
        Invalidate();
      }
      break;
    default:
      break;
  }
  CContainerUI::DoEvent(event);
}

void CVerticalLayoutUI::PaintOverlay(CUIRender& render) {
  if (m_nScrollRange <= 0) return;
  RECT thumb = ThumbRect();
  render.FillRoundRect(thumb, SIZE{4, 4}, m_bBarHot || m_bDragging ? kThumbHotColor : kThumbColor);
}
