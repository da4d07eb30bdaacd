#include "ui/paint_manager.h"

#include <algorithm>

#include "corekit/log.h"
#include "ui/accessible.h"
#include "ui/dpi.h"
#include "ui/dpi_scale.h"
#include "ui/image_cache.h"
#include "ui/render.h"
#include "ui/skin_archive.h"
#include "ui/ui_thread.h"

namespace {

HINSTANCE g_hInstance = nullptr;
std::wstring g_resourcePath;
std::wstring g_resourceZip;
bool g_cachedZip = false;

std::function<std::wstring(const std::string&)>& TextResolver() {
  static std::function<std::wstring(const std::string&)> resolver;
  return resolver;
}

CControlUI* CALLBACK FindByName(CControlUI* pControl, LPVOID pData) {
  return pControl->GetName() == static_cast<const wchar_t*>(pData) ? pControl : nullptr;
}

bool IsWithin(const CControlUI* pControl, const CControlUI* pAncestor) {
  for (const CControlUI* c = pControl; c; c = c->GetParent())
    if (c == pAncestor) return true;
  return false;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() { ui::EnsureGdiplus(); }

CPaintManagerUI::~CPaintManagerUI() {
  // Dispatches still on the stack (a listener destroyed the window) must
  // not reach back into this manager.
  *m_pAlive = false;
  DestroyPendingRemovals();
  for (const TimerInfo& timer : m_timers)
    if (m_hWndPaint) ::KillTimer(m_hWndPaint, timer.uWinTimer);
  m_timers.clear();
  CControlUI* root = m_pRoot;
  m_pRoot = nullptr;
  delete root;
  if (m_hwndTooltip) ::DestroyWindow(m_hwndTooltip);
  if (m_hdcOffscreen) {
    ::SelectObject(m_hdcOffscreen, m_hbmpOld);
    ::DeleteObject(m_hbmpOffscreen);
    ::DeleteDC(m_hdcOffscreen);
  }
}

void CPaintManagerUI::SetInstance(HINSTANCE hInst) { g_hInstance = hInst; }

HINSTANCE CPaintManagerUI::GetInstance() { return g_hInstance ? g_hInstance : ::GetModuleHandleW(nullptr); }

std::wstring CPaintManagerUI::GetInstancePath() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    DWORD length = ::GetModuleFileNameW(GetInstance(), &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

void CPaintManagerUI::SetResourcePath(const std::wstring& path) {
  g_resourcePath = path;
  if (!g_resourcePath.empty() && g_resourcePath.back() != L'\\' && g_resourcePath.back() != L'/')
    g_resourcePath += L'\\';
  ui::CloseSkinArchive();
  ui::ClearImageCache();
}

const std::wstring& CPaintManagerUI::GetResourcePath() { return g_resourcePath; }

void CPaintManagerUI::SetResourceZip(const std::wstring& zipName, bool bCachedResourceZip) {
  g_resourceZip = zipName;
  g_cachedZip = bCachedResourceZip;
  ui::CloseSkinArchive();
  ui::ClearImageCache();
}

const std::wstring& CPaintManagerUI::GetResourceZip() { return g_resourceZip; }

bool CPaintManagerUI::IsCachedResourceZip() { return g_cachedZip; }

void CPaintManagerUI::MessageLoop() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void CPaintManagerUI::SetTextResolver(std::function<std::wstring(const std::string& key)> resolver) {
  TextResolver() = std::move(resolver);
}

const std::function<std::wstring(const std::string& key)>& CPaintManagerUI::GetTextResolver() {
  return TextResolver();
}

void CPaintManagerUI::Init(HWND hWnd) {
  // A manager can serve several native windows one after the other (a
  // dialog shown again): nothing of the previous one is kept.
  for (const TimerInfo& timer : m_timers)
    if (m_hWndPaint) ::KillTimer(m_hWndPaint, timer.uWinTimer);
  m_timers.clear();
  if (m_hwndTooltip) ::DestroyWindow(m_hwndTooltip);
  m_hwndTooltip = nullptr;
  m_pEventHover = m_pEventClick = m_pTooltipOwner = nullptr;
  m_bMouseTracking = false;
  m_hWndPaint = hWnd;
  if (!hWnd) return;
  m_uDpi = ui::GetWindowDpi(hWnd);
  // The thread of the windows is the one other threads hand their UI work to.
  ui::BindUiThread();
  NeedUpdate();
}

bool CPaintManagerUI::AttachDialog(CControlUI* pRoot) {
  if (!pRoot || pRoot == m_pRoot) return false;
  CControlUI* old = m_pRoot;
  m_pRoot = nullptr;
  delete old;
  m_pFocus = m_pEventHover = m_pEventClick = m_pTooltipOwner = nullptr;
  m_pRoot = pRoot;
  pRoot->SetManager(this, nullptr);
  NeedUpdate();
  return true;
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* name) const {
  if (!m_pRoot || !name) return nullptr;
  return m_pRoot->FindControl(FindByName, const_cast<wchar_t*>(name), UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const wchar_t* name) const {
  if (!parent || !name) return nullptr;
  return parent->FindControl(FindByName, const_cast<wchar_t*>(name), UIFIND_ALL);
}

void CPaintManagerUI::SetCaptionRect(RECT& rc) { m_rcCaption = rc; }

void CPaintManagerUI::SetInitSize(int cx, int cy) {
  if (cx > 0 && cy > 0) m_szInitWindowSize = SIZE{cx, cy};
}

void CPaintManagerUI::SetRoundCorner(int cx, int cy) { m_szRoundCorner = SIZE{std::max(cx, 0), std::max(cy, 0)}; }

void CPaintManagerUI::SetMinInfo(int cx, int cy) { m_szMinWindow = SIZE{std::max(cx, 0), std::max(cy, 0)}; }

void CPaintManagerUI::SetDpi(UINT dpi) {
  if (dpi == 0 || dpi == m_uDpi) return;
  m_uDpi = dpi;
  NeedUpdate();
}

RECT CPaintManagerUI::LayoutToClient(const RECT& rc) const {
  ui::Edges out = ui::RectToDpi(ui::Edges{rc.left, rc.top, rc.right, rc.bottom}, m_uDpi);
  return RECT{out.left, out.top, out.right, out.bottom};
}

POINT CPaintManagerUI::ClientToLayout(POINT pt) const {
  // The layout pixel the client pixel lies in.
  ui::Edges out = ui::RectFromDpi(ui::Edges{pt.x, pt.y, pt.x, pt.y}, m_uDpi);
  return POINT{out.left, out.top};
}

int CPaintManagerUI::ScaleLength(int length) const { return ui::ScaleToDpi(length, m_uDpi); }

void CPaintManagerUI::AddFont(int id, const ui::FontSpec& spec, bool isDefault) {
  m_fonts.Add(id, spec, isDefault);
  NeedUpdate();
}

Gdiplus::Font* CPaintManagerUI::GetFont(int id) { return m_fonts.Get(id); }

void CPaintManagerUI::AddNotifier(INotifyUI* pNotifier) {
  if (pNotifier && std::find(m_notifiers.begin(), m_notifiers.end(), pNotifier) == m_notifiers.end())
    m_notifiers.push_back(pNotifier);
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pNotifier) {
  auto it = std::find(m_notifiers.begin(), m_notifiers.end(), pNotifier);
  if (it == m_notifiers.end()) return false;
  m_notifiers.erase(it);
  return true;
}

CPaintManagerUI::DispatchScope::DispatchScope(CPaintManagerUI* pManager)
    : m_pManager(pManager), m_pManagerAlive(pManager ? pManager->m_pAlive : nullptr) {
  if (m_pManager) ++m_pManager->m_nDispatchDepth;
}

CPaintManagerUI::DispatchScope::~DispatchScope() {
  if (!m_pManager || !*m_pManagerAlive) return;
  if (--m_pManager->m_nDispatchDepth == 0) m_pManager->DestroyPendingRemovals();
}

void CPaintManagerUI::DestroyRemoved(CControlUI* pControl) {
  if (!pControl) return;
  if (m_nDispatchDepth > 0) m_pendingRemovals.push_back(pControl);
  else delete pControl;
}

void CPaintManagerUI::DestroyPendingRemovals() {
  while (!m_pendingRemovals.empty()) {
    std::vector<CControlUI*> removed;
    removed.swap(m_pendingRemovals);
    for (CControlUI* pControl : removed) delete pControl;
  }
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, const wchar_t* type, WPARAM wParam, LPARAM lParam) {
  DispatchScope scope(this);
  TNotifyUI msg;
  msg.sType = type ? type : L"";
  msg.pSender = pControl;
  msg.dwTimestamp = ::GetTickCount();
  msg.wParam = wParam;
  msg.lParam = lParam;
  if (m_hWndPaint) {
    ::GetCursorPos(&msg.ptMouse);
    ::ScreenToClient(m_hWndPaint, &msg.ptMouse);
    msg.ptMouse = ClientToLayout(msg.ptMouse);
  }
  // A listener may add or remove listeners while it is told.
  std::vector<INotifyUI*> notifiers = m_notifiers;
  for (INotifyUI* notifier : notifiers) {
    if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end()) notifier->Notify(msg);
  }
}

void CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter) {
  if (pFilter && std::find(m_filters.begin(), m_filters.end(), pFilter) == m_filters.end())
    m_filters.push_back(pFilter);
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter) {
  auto it = std::find(m_filters.begin(), m_filters.end(), pFilter);
  if (it == m_filters.end()) return false;
  m_filters.erase(it);
  return true;
}

void CPaintManagerUI::NeedUpdate() {
  m_bUpdateNeeded = true;
  if (m_hWndPaint) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

void CPaintManagerUI::Invalidate(const RECT& rc) {
  if (!m_hWndPaint) return;
  RECT client = LayoutToClient(rc);
  ::InvalidateRect(m_hWndPaint, &client, FALSE);
}

void CPaintManagerUI::UpdateLayout() {
  if (!m_bUpdateNeeded || !m_pRoot || !m_hWndPaint) return;
  m_bUpdateNeeded = false;
  RECT rc;
  ::GetClientRect(m_hWndPaint, &rc);
  ui::Edges layout = ui::RectFromDpi(ui::Edges{rc.left, rc.top, rc.right, rc.bottom}, m_uDpi);
  m_pRoot->SetPos(RECT{layout.left, layout.top, layout.right, layout.bottom});
}

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
  if (pControl == m_pFocus) return;
  if (pControl && (!pControl->IsFocusable() || !pControl->IsEnabled() || !pControl->IsShownInTree())) return;
  DispatchScope scope(this);
  CControlUI* old = m_pFocus;
  m_pFocus = pControl;
  if (old) {
    SendEvent(old, UIEVENT_KILLFOCUS, POINT{0, 0});
    SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
  }
  // A listener may have taken the new focus out of the tree (which clears
  // the focus) or moved the focus on.
  if (!pControl || m_pFocus != pControl) return;
  SendEvent(pControl, UIEVENT_SETFOCUS, POINT{0, 0});
  if (m_pFocus != pControl) return;
  CAccessibleUI::NotifyEvent(pControl, EVENT_OBJECT_FOCUS);
  SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
}

bool CPaintManagerUI::SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse) {
  if (!pControl || !m_hWndPaint) return false;
  KillTimer(pControl, nTimerID);
  TimerInfo timer = {pControl, nTimerID, m_uNextTimer++};
  if (!::SetTimer(m_hWndPaint, timer.uWinTimer, uElapse, nullptr)) return false;
  m_timers.push_back(timer);
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* pControl, UINT nTimerID) {
  for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
    if (it->pSender == pControl && it->nLocalID == nTimerID) {
      if (m_hWndPaint) ::KillTimer(m_hWndPaint, it->uWinTimer);
      m_timers.erase(it);
      return true;
    }
  }
  return false;
}

bool CPaintManagerUI::OnTimer(UINT_PTR id) {
  for (const TimerInfo& timer : m_timers) {
    if (timer.uWinTimer == id) {
      SendEvent(timer.pSender, UIEVENT_TIMER, POINT{0, 0}, timer.nLocalID);
      return true;
    }
  }
  return false;
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
  if (m_pFocus == pControl) m_pFocus = nullptr;
  if (m_pEventHover == pControl) m_pEventHover = nullptr;
  if (m_pEventClick == pControl) m_pEventClick = nullptr;
  if (m_pTooltipOwner == pControl) HideToolTip();
  if (m_pRoot == pControl) m_pRoot = nullptr;
  for (auto it = m_timers.begin(); it != m_timers.end();) {
    if (it->pSender == pControl) {
      if (m_hWndPaint) ::KillTimer(m_hWndPaint, it->uWinTimer);
      it = m_timers.erase(it);
    } else {
      ++it;
    }
  }
}

void CPaintManagerUI::ReapTree(CControlUI* pControl) {
  struct Reaper {
    static CControlUI* CALLBACK Visit(CControlUI* c, LPVOID manager) {
      static_cast<CPaintManagerUI*>(manager)->ReapObjects(c);
      return nullptr;
    }
  };
  if (pControl) pControl->FindControl(Reaper::Visit, this, UIFIND_ALL);
}

void CPaintManagerUI::ForgetHidden(CControlUI* pControl) {
  DispatchScope scope(this);  // the kill-focus listeners may remove pControl
  if (m_pFocus && IsWithin(m_pFocus, pControl)) SetFocus(nullptr);
  if (m_pEventHover && IsWithin(m_pEventHover, pControl)) m_pEventHover = nullptr;
  if (m_pEventClick && IsWithin(m_pEventClick, pControl)) m_pEventClick = nullptr;
  if (m_pTooltipOwner && IsWithin(m_pTooltipOwner, pControl)) HideToolTip();
}

void CPaintManagerUI::SendEvent(CControlUI* pControl, int type, POINT pt, WPARAM wParam, LPARAM lParam) {
  if (!pControl) return;
  TEventUI event;
  event.Type = type;
  event.pSender = pControl;
  event.dwTimestamp = ::GetTickCount();
  event.ptMouse = pt;
  event.wParam = wParam;
  event.lParam = lParam;
  pControl->DoEvent(event);
}

void CPaintManagerUI::Paint() {
  PAINTSTRUCT ps;
  HDC hdc = ::BeginPaint(m_hWndPaint, &ps);
  UpdateLayout();
  RECT client;
  ::GetClientRect(m_hWndPaint, &client);
  SIZE size = {client.right - client.left, client.bottom - client.top};
  if (size.cx > 0 && size.cy > 0 && m_pRoot) {
    if (!m_hdcOffscreen || size.cx != m_szOffscreen.cx || size.cy != m_szOffscreen.cy) {
      if (m_hdcOffscreen) {
        ::SelectObject(m_hdcOffscreen, m_hbmpOld);
        ::DeleteObject(m_hbmpOffscreen);
        ::DeleteDC(m_hdcOffscreen);
      }
      m_hdcOffscreen = ::CreateCompatibleDC(hdc);
      m_hbmpOffscreen = ::CreateCompatibleBitmap(hdc, size.cx, size.cy);
      m_hbmpOld = ::SelectObject(m_hdcOffscreen, m_hbmpOffscreen);
      m_szOffscreen = size;
    }
    {
      Gdiplus::Graphics graphics(m_hdcOffscreen);
      graphics.SetClip(Gdiplus::Rect(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                                     ps.rcPaint.bottom - ps.rcPaint.top));
      graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
      // The controls draw in layout pixels; the transform takes them to the
      // screen's, where text and shapes are drawn sharp at full resolution.
      if (m_uDpi != ui::kBaseDpi) {
        const Gdiplus::REAL scale = static_cast<Gdiplus::REAL>(m_uDpi) / ui::kBaseDpi;
        graphics.ScaleTransform(scale, scale);
      }
      CUIRender render(graphics, this);
      ui::Edges dirty = ui::RectFromDpi(
          ui::Edges{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom}, m_uDpi);
      m_pRoot->DoPaint(render, RECT{dirty.left, dirty.top, dirty.right, dirty.bottom});
    }
    ::BitBlt(hdc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, m_hdcOffscreen, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  }
  ::EndPaint(m_hWndPaint, &ps);
}
