// The window messages of the paint manager: painting and layout, mouse,
// keyboard, timers, tooltips and the screen-reader entry point.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

#include "ui/accessible.h"
#include "ui/paint_manager.h"
#include "ui/vertical_layout.h"

namespace {

const UINT_PTR kTooltipTimer = 0x0F00;
const UINT kTooltipDelay = 500;
// The tool size every version of the common controls accepts: without a
// manifest asking for version 6, the full size of the structure is refused.
const UINT kToolInfoSize = TTTOOLINFOW_V2_SIZE;

CControlUI* CALLBACK HitControl(CControlUI* pControl, LPVOID) { return pControl; }

CControlUI* CALLBACK CollectFocusable(CControlUI* pControl, LPVOID pData) {
  if (pControl->IsFocusable() && pControl->IsEnabled() && pControl->IsShownInTree())
    static_cast<std::vector<CControlUI*>*>(pData)->push_back(pControl);
  return nullptr;
}

// The control itself, or the nearest ancestor that takes the focus.
CControlUI* FocusTarget(CControlUI* pControl) {
  for (CControlUI* c = pControl; c; c = c->GetParent())
    if (c->IsFocusable()) return c;
  return nullptr;
}

CControlUI* CALLBACK FindScrollable(CControlUI* pControl, LPVOID) {
  auto* layout = static_cast<CVerticalLayoutUI*>(pControl->GetInterface(L"VerticalLayout"));
  return layout && layout->GetScrollRange() > 0 && pControl->IsShownInTree() ? pControl : nullptr;
}

// The layout the scrolling keys move: the one around the focus, else the
// first one that can scroll.
CVerticalLayoutUI* ScrollTarget(CControlUI* pRoot, CControlUI* pFocus) {
  for (CControlUI* c = pFocus; c; c = c->GetParent())
    if (FindScrollable(c, nullptr)) return static_cast<CVerticalLayoutUI*>(c->GetInterface(L"VerticalLayout"));
  CControlUI* found = pRoot ? pRoot->FindControl(FindScrollable, nullptr, UIFIND_VISIBLE | UIFIND_ME_FIRST) : nullptr;
  return found ? static_cast<CVerticalLayoutUI*>(found->GetInterface(L"VerticalLayout")) : nullptr;
}

// Scrolls the lists around a control so that it can be seen.
void BringIntoView(CControlUI* pControl) {
  for (CControlUI* child = pControl; child && child->GetParent(); child = child->GetParent()) {
    auto* layout = static_cast<CVerticalLayoutUI*>(child->GetParent()->GetInterface(L"VerticalLayout"));
    if (layout && layout->IsScrollBarEnabled()) layout->EnsureVisible(child);
  }
}

}  // namespace

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
  if (!m_pRoot) return nullptr;
  return m_pRoot->FindControl(HitControl, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

bool CPaintManagerUI::MoveFocus(bool bForward) {
  DispatchScope scope(this);
  std::vector<CControlUI*> focusable;
  if (m_pRoot) m_pRoot->FindControl(CollectFocusable, &focusable, UIFIND_VISIBLE);
  if (focusable.empty()) return false;
  auto it = std::find(focusable.begin(), focusable.end(), m_pFocus);
  int count = static_cast<int>(focusable.size());
  int index;
  if (it == focusable.end()) index = bForward ? 0 : count - 1;
  else index = (static_cast<int>(it - focusable.begin()) + (bForward ? 1 : count - 1)) % count;
  CControlUI* target = focusable[index];
  SetFocus(target);
  // The focus listeners may have taken it out of the tree.
  if (target->GetManager() == this) BringIntoView(target);
  return true;
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
  if (!m_hWndPaint) return false;
  DispatchScope scope(this);
  std::vector<IMessageFilterUI*> filters = m_filters;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    LRESULT result = filter->MessageHandler(uMsg, wParam, lParam, handled);
    if (handled) {
      lRes = result;
      return true;
    }
  }
  switch (uMsg) {
    case WM_ERASEBKGND:
      lRes = 1;
      return true;
    case WM_PAINT:
      Paint();
      lRes = 0;
      return true;
    case WM_PRINTCLIENT:
      return false;
    case WM_SIZE:
      NeedUpdate();
      return false;
    case WM_TIMER:
      if (wParam == kTooltipTimer) {
        ::KillTimer(m_hWndPaint, kTooltipTimer);
        ShowToolTip();
        return true;
      }
      return OnTimer(wParam);
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_CAPTURECHANGED:
      return OnMouse(uMsg, wParam, lParam);
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) return false;
      POINT pt;
      ::GetCursorPos(&pt);
      ::ScreenToClient(m_hWndPaint, &pt);
      pt = ClientToLayout(pt);
      ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
      SendEvent(FindControl(pt), UIEVENT_SETCURSOR, pt, wParam, lParam);
      lRes = TRUE;
      return true;
    }
    case WM_KEYDOWN:
      return OnKeyDown(wParam);
    case WM_KILLFOCUS:
      HideToolTip();
      return false;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lParam) == static_cast<LONG>(OBJID_CLIENT) && m_pRoot) {
        UpdateLayout();
        lRes = ::LresultFromObject(IID_IAccessible, wParam, m_pRoot->GetAccessible());
        return true;
      }
      return false;
    default:
      return false;
  }
}

void CPaintManagerUI::UpdateHover(POINT pt) {
  CControlUI* hit = FindControl(pt);
  if (hit == m_pEventHover) return;
  CControlUI* old = m_pEventHover;
  m_pEventHover = hit;
  if (old) SendEvent(old, UIEVENT_MOUSELEAVE, pt);
  HideToolTip();
  if (m_pEventHover) {
    SendEvent(m_pEventHover, UIEVENT_MOUSEENTER, pt);
    ::SetTimer(m_hWndPaint, kTooltipTimer, kTooltipDelay, nullptr);
  }
}

bool CPaintManagerUI::OnMouse(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  UpdateLayout();  // hit tests need the positions of the latest changes
  POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  // The wheel reports a screen point, the other messages a client point.
  if (uMsg == WM_MOUSEWHEEL) ::ScreenToClient(m_hWndPaint, &pt);
  pt = ClientToLayout(pt);
  switch (uMsg) {
    case WM_MOUSEMOVE:
      if (!m_bMouseTracking) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWndPaint, 0};
        m_bMouseTracking = ::TrackMouseEvent(&track) != FALSE;
      }
      if (m_pEventClick) {
        SendEvent(m_pEventClick, UIEVENT_MOUSEMOVE, pt, wParam);
        return true;
      }
      UpdateHover(pt);
      if (m_pEventHover) SendEvent(m_pEventHover, UIEVENT_MOUSEMOVE, pt, wParam);
      return true;
    case WM_MOUSELEAVE:
      m_bMouseTracking = false;
      ::KillTimer(m_hWndPaint, kTooltipTimer);
      HideToolTip();
      if (m_pEventHover && !m_pEventClick) {
        CControlUI* old = m_pEventHover;
        m_pEventHover = nullptr;
        SendEvent(old, UIEVENT_MOUSELEAVE, POINT{-1, -1});
      }
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      HideToolTip();
      CControlUI* hit = FindControl(pt);
      if (!hit) return false;
      ::SetFocus(m_hWndPaint);
      if (CControlUI* target = FocusTarget(hit)) SetFocus(target);
      // The focus listeners may have taken the pressed control out of the
      // tree: the press then ends here.
      if (hit->GetManager() != this) return true;
      m_pEventClick = hit;
      ::SetCapture(m_hWndPaint);
      SendEvent(hit, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, wParam);
      return true;
    }
    case WM_LBUTTONUP: {
      CControlUI* click = m_pEventClick;
      m_pEventClick = nullptr;
      if (::GetCapture() == m_hWndPaint) ::ReleaseCapture();
      if (!click) return false;
      SendEvent(click, UIEVENT_BUTTONUP, pt, wParam);
      return true;
    }
    case WM_CAPTURECHANGED:
      // Capture taken away mid-press: the press ends without a click.
      if (m_pEventClick && reinterpret_cast<HWND>(lParam) != m_hWndPaint) {
        CControlUI* click = m_pEventClick;
        m_pEventClick = nullptr;
        SendEvent(click, UIEVENT_BUTTONUP, POINT{-1, -1});
      }
      return false;
    case WM_MOUSEWHEEL: {
      CControlUI* hit = FindControl(pt);
      if (!hit) return false;
      SendEvent(hit, UIEVENT_SCROLLWHEEL, pt, wParam);
      return true;
    }
    default:
      return false;
  }
}

bool CPaintManagerUI::OnKeyDown(WPARAM wParam) {
  switch (wParam) {
    case VK_TAB: {
      m_bFocusCue = true;
      bool backward = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
      if (!MoveFocus(!backward)) return false;
      if (m_pFocus) m_pFocus->Invalidate();
      return true;
    }
    case VK_SPACE:
    case VK_RETURN:
      if (!m_pFocus) return false;
      m_bFocusCue = true;
      m_pFocus->Activate();
      return true;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END: {
      CVerticalLayoutUI* list = ScrollTarget(m_pRoot, m_pFocus);
      return list && list->ScrollByKey(wParam);
    }
    default:
      return false;
  }
}

void CPaintManagerUI::ShowToolTip() {
  if (!m_pEventHover || m_pEventClick) return;
  // A label inside a button shows the button's tooltip.
  CControlUI* owner = m_pEventHover;
  while (owner && owner->GetToolTip().empty()) owner = owner->GetParent();
  if (!owner) return;
  if (!m_hwndTooltip) {
    m_hwndTooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWndPaint, nullptr,
                                      GetInstance(), nullptr);
    if (!m_hwndTooltip) return;
    TOOLINFOW info = {};
    info.cbSize = kToolInfoSize;
    info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    info.hwnd = m_hWndPaint;
    info.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    ::SendMessageW(m_hwndTooltip, TTM_SETMAXTIPWIDTH, 0, ScaleLength(400));
  }
  m_pTooltipOwner = owner;
  std::wstring text = owner->GetToolTip();
  TOOLINFOW info = {};
  info.cbSize = kToolInfoSize;
  info.hwnd = m_hWndPaint;
  info.lpszText = &text[0];
  ::SendMessageW(m_hwndTooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  POINT pt;
  ::GetCursorPos(&pt);
  ::SendMessageW(m_hwndTooltip, TTM_TRACKPOSITION, 0, MAKELPARAM(pt.x + ScaleLength(12), pt.y + ScaleLength(20)));
  ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
}

void CPaintManagerUI::HideToolTip() {
  m_pTooltipOwner = nullptr;
  if (!m_hwndTooltip) return;
  TOOLINFOW info = {};
  info.cbSize = kToolInfoSize;
  info.hwnd = m_hWndPaint;
  ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
}
