#include "ui/window_wnd.h"

#include <sstream>
#include <string>

#include "corekit/log.h"
#include "ui/paint_manager.h"

namespace {
// The object whose CreateWindowExW call is under way on this thread. A
// window that ends before that call returns says so in the log, and whether
// its WM_CREATE refused it, since the call itself then fails without an
// error code.
thread_local CWindowWnd* t_pCreating = nullptr;

// The messages that window is handling, outermost first, so that its end
// also names the message it came in (WM_CREATE, WM_CLOSE, ...).
constexpr int kMaxCreatingDepth = 8;
thread_local UINT t_creatingMessages[kMaxCreatingDepth];
thread_local int t_creatingDepth = 0;

std::string CreatingMessages() {
  std::ostringstream text;
  text << std::hex << std::showbase;
  for (int i = 0; i < t_creatingDepth && i < kMaxCreatingDepth; ++i) text << (i ? " > " : "") << t_creatingMessages[i];
  return t_creatingDepth ? text.str() : "none";
}
}  // namespace

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
  // A window still alive must not call into a destroyed object.
  if (m_hWnd && ::IsWindow(m_hWnd)) ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
}

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (::GetClassInfoExW(CPaintManagerUI::GetInstance(), GetWindowClassName(), &wc)) return true;
  wc.cbSize = sizeof(wc);
  wc.style = GetClassStyle();
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = CPaintManagerUI::GetInstance();
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = GetWindowClassName();
  if (::RegisterClassExW(&wc) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
  LOG_METHOD(LOG_LEVEL_ERROR, "RegisterClassExW failed, error = " << ::GetLastError());
  return false;
}

HWND CWindowWnd::Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y,
                        int cx, int cy, HMENU hMenu) {
  if (m_hWnd || !RegisterWindowClass()) return nullptr;
  CWindowWnd* outer = t_pCreating;
  const int outerDepth = t_creatingDepth;
  t_pCreating = this;
  t_creatingDepth = 0;
  HWND hWnd = ::CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName ? pstrName : L"", dwStyle, x, y, cx, cy,
                                hwndParent, hMenu, CPaintManagerUI::GetInstance(), this);
  t_pCreating = outer;
  t_creatingDepth = outerDepth;
  if (!hWnd) LOG_METHOD(LOG_LEVEL_ERROR, "CreateWindowExW failed, error = " << ::GetLastError());
  return hWnd;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
  if (!::IsWindow(m_hWnd)) return;
  ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
  if (!::IsWindow(m_hWnd)) return 0;
  UINT nRet = 0;
  HWND hWnd = m_hWnd;  // the object may be gone when the window is
  HWND hWndOwner = ::GetWindow(hWnd, GW_OWNER);
  ::ShowWindow(hWnd, SW_SHOWNORMAL);
  if (hWndOwner) ::EnableWindow(hWndOwner, FALSE);
  MSG msg = {};
  bool quit = false;
  while (::IsWindow(hWnd)) {
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      quit = true;
      break;
    }
    if (msg.message == WM_CLOSE && msg.hwnd == hWnd) {
      nRet = static_cast<UINT>(msg.wParam);
      // The owner comes back before this window goes, so the activation
      // returns to it and not to another program.
      if (hWndOwner) ::EnableWindow(hWndOwner, TRUE);
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (hWndOwner) {
    ::EnableWindow(hWndOwner, TRUE);
    ::SetFocus(hWndOwner);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
  return nRet;
}

void CWindowWnd::Close(UINT nRet) {
  if (::IsWindow(m_hWnd)) ::PostMessageW(m_hWnd, WM_CLOSE, nRet, 0);
}

void CWindowWnd::CenterWindow() {
  if (!::IsWindow(m_hWnd)) return;
  RECT rcWindow;
  ::GetWindowRect(m_hWnd, &rcWindow);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
  RECT rcArea = monitor.rcWork;
  RECT rcCenter = rcArea;
  HWND hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);
  if (hWndOwner && ::IsWindowVisible(hWndOwner) && !::IsIconic(hWndOwner)) ::GetWindowRect(hWndOwner, &rcCenter);
  int width = rcWindow.right - rcWindow.left, height = rcWindow.bottom - rcWindow.top;
  int x = (rcCenter.left + rcCenter.right) / 2 - width / 2;
  int y = (rcCenter.top + rcCenter.bottom) / 2 - height / 2;
  // Kept on the work area.
  if (x + width > rcArea.right) x = rcArea.right - width;
  if (y + height > rcArea.bottom) y = rcArea.bottom - height;
  if (x < rcArea.left) x = rcArea.left;
  if (y < rcArea.top) y = rcArea.top;
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT nRes) {
  if (!::IsWindow(m_hWnd)) return;
  HINSTANCE inst = CPaintManagerUI::GetInstance();
  // Shared icons belong to the system: loading them again gives the same
  // handles, and nothing has to destroy them when the window goes.
  auto load = [&](int cx, int cy) {
    return static_cast<HICON>(
        ::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR | LR_SHARED));
  };
  HICON big = load(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
  HICON small = load(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON));
  if (!big || !small) LOG_METHOD(LOG_LEVEL_ERROR, "icon resource missing = " << nRes);
  if (big) ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (uMsg == WM_NCCREATE) {
    self = static_cast<CWindowWnd*>(reinterpret_cast<LPCREATESTRUCTW>(lParam)->lpCreateParams);
    self->m_hWnd = hWnd;
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  if (uMsg == WM_NCDESTROY) {
    if (self == t_pCreating)
      LOG_FUNC(LOG_LEVEL_ERROR, "the window ended while it was being created, inside messages " << CreatingMessages());
    LRESULT lRes = ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    self->m_hWnd = nullptr;
    self->OnFinalMessage(hWnd);
    return lRes;
  }
  if (self != t_pCreating) return self->HandleMessage(uMsg, wParam, lParam);
  if (t_creatingDepth < kMaxCreatingDepth) t_creatingMessages[t_creatingDepth] = uMsg;
  ++t_creatingDepth;
  const LRESULT result = self->HandleMessage(uMsg, wParam, lParam);
  --t_creatingDepth;
  if (uMsg == WM_CREATE && result == -1) LOG_FUNC(LOG_LEVEL_ERROR, "WM_CREATE refused the window");
  return result;
}
