#include "ui/window_impl.h"

#include <windowsx.h>

#include "corekit/log.h"
#include "ui/dialog_builder.h"
#include "ui/vertical_layout.h"

namespace {

// Sent by Windows 8.1 and later when the window moves to a screen of
// another DPI; the Windows 7 headers do not name it.
constexpr UINT kWmDpiChanged = 0x02E0;

// Presses on these do not drag the window, even inside the caption area.
bool IsInteractive(CControlUI* pControl) {
  for (CControlUI* c = pControl; c; c = c->GetParent()) {
    if (c->IsFocusable()) return true;
    auto* layout = static_cast<CVerticalLayoutUI*>(c->GetInterface(L"VerticalLayout"));
    if (layout && layout->GetScrollRange() > 0) return true;
  }
  return false;
}

}  // namespace

WindowImplBase::WindowImplBase() {
  AddNotifyHandler(DUI_MSGTYPE_CLICK, L"", [this](TNotifyUI& msg) { OnClick(msg); });
}

WindowImplBase::~WindowImplBase() = default;

LRESULT WindowImplBase::MessageHandler(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

void WindowImplBase::OnFinalMessage(HWND) {
  m_PaintManager.RemoveMessageFilter(this);
  m_PaintManager.RemoveNotifier(this);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  switch (wParam & 0xFFF0) {
    case SC_CLOSE:
      SendMessage(WM_CLOSE);
      return 0;
    case SC_MAXIMIZE:  // also a double-click on the caption area
    case SC_SIZE:
      return 0;  // the layout's size is the window's
    default:
      return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  }
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

void WindowImplBase::Notify(TNotifyUI& msg) { NotifyPump(msg); }

void WindowImplBase::OnClick(TNotifyUI& msg) {
  if (!msg.pSender) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"closebtn") Close(IDCANCEL);
  else if (name == L"minbtn") SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

LRESULT WindowImplBase::OnCreate() {
  // No system caption: the layout draws the whole window. The minimise box
  // and system menu stay, so the taskbar can still minimise and restore it.
  // The layout also fixes the size: without a sizing frame and a maximise
  // box, no edge drag, Aero Snap, Win+Up or double-click on the caption area
  // resizes or maximises it.
  LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
  style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX);
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  m_PaintManager.Init(m_hWnd);
  m_PaintManager.AddMessageFilter(this);
  // A zip skin is the archive of that name in the resource path the program
  // set (the program's folder when it set none); a folder skin is the skin
  // folder beside the program.
  if (GetResourceType() == UILIB_ZIP || GetResourceType() == UILIB_ZIPRESOURCE) {
    if (CPaintManagerUI::GetResourcePath().empty())
      CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
    if (CPaintManagerUI::GetResourceZip() != GetZIPFileName())
      CPaintManagerUI::SetResourceZip(GetZIPFileName(), CPaintManagerUI::IsCachedResourceZip());
  } else {
    std::wstring folder = CPaintManagerUI::GetInstancePath() + GetSkinFolder();
    if (!CPaintManagerUI::GetResourceZip().empty()) CPaintManagerUI::SetResourceZip(std::wstring());
    if (CPaintManagerUI::GetResourcePath() != folder) CPaintManagerUI::SetResourcePath(folder);
  }

  CDialogBuilder builder;
  CControlUI* root = builder.Create(GetSkinFile().c_str(), nullptr, this, &m_PaintManager);
  if (root) {
    m_PaintManager.AttachDialog(root);
  } else {
    LOG_METHOD(LOG_LEVEL_ERROR, "window has no layout = " << GetSkinFile());
    if (NeedsLayout()) return -1;  // CreateWindowEx fails and destroys the window
  }
  m_PaintManager.AddNotifier(this);

  SIZE size = m_PaintManager.GetInitSize();
  if (size.cx > 0 && size.cy > 0)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_PaintManager.ScaleLength(size.cx), m_PaintManager.ScaleLength(size.cy),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyRoundCorner();
  InitWindow();
  return 0;
}

void WindowImplBase::ApplyRoundCorner() {
  SIZE round = m_PaintManager.GetRoundCorner();
  if (::IsIconic(m_hWnd) || round.cx <= 0 || round.cy <= 0) return;
  if (::IsZoomed(m_hWnd)) {
    ::SetWindowRgn(m_hWnd, nullptr, TRUE);
    return;
  }
  RECT rc;
  ::GetWindowRect(m_hWnd, &rc);
  GiveWindowRegion(m_hWnd, ::CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1,
                                                m_PaintManager.ScaleLength(round.cx),
                                                m_PaintManager.ScaleLength(round.cy)));
}

bool GiveWindowRegion(HWND hWnd, HRGN region) {
  if (!region) return false;
  if (::SetWindowRgn(hWnd, region, TRUE)) return true;  // the window owns the region from here
  ::DeleteObject(region);
  return false;
}

LRESULT WindowImplBase::OnNcHitTest(LPARAM lParam) {
  POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(m_hWnd, &pt);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  // The caption rectangle is in layout pixels, like the controls.
  pt = m_PaintManager.ClientToLayout(pt);
  client.right = m_PaintManager.ClientToLayout(POINT{client.right, client.bottom}).x;
  const RECT& caption = m_PaintManager.GetCaptionRect();
  if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right && pt.y >= caption.top &&
      pt.y < caption.bottom && !IsInteractive(m_PaintManager.FindControl(pt)))
    return HTCAPTION;
  return HTCLIENT;
}

void WindowImplBase::OnDpiChanged(UINT dpi, const RECT* suggested) {
  LOG_METHOD(LOG_LEVEL_INFO, "dpi = " << dpi);
  m_PaintManager.SetDpi(dpi);
  // Windows suggests the place that keeps the window's size in layout pixels
  // on the new screen; the round corners follow with the new size.
  if (suggested)
    ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyRoundCorner();
}

void WindowImplBase::OnGetMinMaxInfo(LPARAM lParam) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
  // Maximised, the frameless window covers the work area, not the taskbar.
  info->ptMaxPosition.x = monitor.rcWork.left - monitor.rcMonitor.left;
  info->ptMaxPosition.y = monitor.rcWork.top - monitor.rcMonitor.top;
  info->ptMaxSize.x = monitor.rcWork.right - monitor.rcWork.left;
  info->ptMaxSize.y = monitor.rcWork.bottom - monitor.rcWork.top;
  SIZE minimum = m_PaintManager.GetMinInfo();
  if (minimum.cx > 0) info->ptMinTrackSize.x = m_PaintManager.ScaleLength(minimum.cx);
  if (minimum.cy > 0) info->ptMinTrackSize.y = m_PaintManager.ScaleLength(minimum.cy);
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  BOOL bHandled = TRUE;
  LRESULT lRes = 0;
  switch (uMsg) {
    case WM_CREATE:
      return OnCreate();
    case WM_NCCALCSIZE:
      return 0;  // the client area is the whole window
    case WM_NCPAINT:
      return 0;
    case WM_NCACTIVATE:
      if (::IsIconic(m_hWnd)) break;
      return wParam == 0 ? TRUE : FALSE;
    case WM_NCHITTEST:
      return OnNcHitTest(lParam);
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(lParam);
      return 0;
    case kWmDpiChanged:
      OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_SIZE:
      // Maximised all the same (ShowWindow from another program, a shortcut
      // set to start maximised): back to the layout's size.
      if (wParam == SIZE_MAXIMIZED) PostMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
      ApplyRoundCorner();
      bHandled = FALSE;
      break;
    case WM_DESTROY:
      m_PaintManager.Init(nullptr);
      bHandled = FALSE;
      break;
    case WM_SYSCOMMAND:
      lRes = OnSysCommand(uMsg, wParam, lParam, bHandled);
      if (bHandled) return lRes;
      break;
    case WM_MOUSEHOVER:
      lRes = OnMouseHover(uMsg, wParam, lParam, bHandled);
      if (bHandled) return lRes;
      break;
    case WM_CHAR:
      lRes = OnChar(uMsg, wParam, lParam, bHandled);
      if (bHandled) return lRes;
      break;
    default:
      bHandled = FALSE;
      break;
  }
  bHandled = TRUE;
  lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
  if (bHandled) return lRes;
  if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, lRes)) return lRes;
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}
