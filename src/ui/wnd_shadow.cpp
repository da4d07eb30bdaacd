#include "ui/wnd_shadow.h"

#include <commctrl.h>

#include "corekit/log.h"
#include "ui/dpi.h"
#include "ui/dpi_scale.h"
#include "ui/image_cache.h"
#include "ui/render.h"

namespace {

const wchar_t kShadowClass[] = L"WndShadowUI";
const UINT_PTR kSubclassId = 0x5AD0;
bool g_bInitialized = false;
HINSTANCE g_hInstance = nullptr;

}  // namespace

CWndShadow::CWndShadow() = default;

CWndShadow::~CWndShadow() {
  Detach();
  DestroyShadowWindow();
}

void CWndShadow::DestroyShadowWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
}

bool CWndShadow::Initialize(HINSTANCE hInstance, bool bForce) {
  if (g_bInitialized) return true;
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (!bForce && ntdll && ::GetProcAddress(ntdll, "wine_get_version")) {
    LOG_FUNC(LOG_LEVEL_INFO, "running under Wine: no translucent windows, no drop shadow");
    return false;
  }
  g_hInstance = hInstance ? hInstance : ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = g_hInstance;
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kShadowClass;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    LOG_FUNC(LOG_LEVEL_ERROR, "shadow class not registered, error = " << ::GetLastError());
    return false;
  }
  g_bInitialized = true;
  return true;
}

void CWndShadow::Create(HWND hParent) {
  if (!g_bInitialized || m_hWnd || !::IsWindow(hParent)) return;
  // Not owned by the window: an owned window would always lie above it.
  // Click-through, out of the taskbar, never activated.
  m_hWnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kShadowClass,
                             nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, g_hInstance, nullptr);
  if (!m_hWnd) {
    LOG_METHOD(LOG_LEVEL_ERROR, "shadow window not created, error = " << ::GetLastError());
    return;
  }
  m_hParent = hParent;
  ::SetWindowSubclass(hParent, ParentProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  Update();
}

bool CWndShadow::SetImage(const wchar_t* image) {
  if (!image || !*image) return false;
  m_sImage = image;
  m_szDrawn = SIZE{0, 0};
  Update();
  return ui::GetCachedImage(m_sImage) != nullptr;
}

bool CWndShadow::SetShadowCorner(RECT corner) {
  if (corner.left < 0 || corner.top < 0 || corner.right < 0 || corner.bottom < 0) return false;
  m_rcCorner = corner;
  m_szDrawn = SIZE{0, 0};
  Update();
  return true;
}

bool CWndShadow::SetHoleOffset(RECT offset) {
  if (offset.left < 0 || offset.top < 0 || offset.right < 0 || offset.bottom < 0) return false;
  m_rcHoleOffset = offset;
  m_szDrawn = SIZE{0, 0};
  Update();
  return true;
}

LRESULT CALLBACK CWndShadow::ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
  auto* shadow = reinterpret_cast<CWndShadow*>(self);
  if (uMsg == WM_NCDESTROY) {
    // The window's own handling of its last message may delete its owner
    // and this shadow with it: the shadow goes first and is not touched
    // afterwards.
    shadow->Detach();
    shadow->DestroyShadowWindow();
    return ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
  }
  LRESULT lRes = ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
  shadow->OnParentMessage(uMsg, wParam);
  return lRes;
}

void CWndShadow::OnParentMessage(UINT uMsg, WPARAM wParam) {
  switch (uMsg) {
    case WM_WINDOWPOSCHANGED:
    case WM_SIZE:
    case WM_MOVE:
      Update();
      break;
    case WM_SHOWWINDOW:
      Show(wParam != 0 && !::IsIconic(m_hParent) && !::IsZoomed(m_hParent));
      break;
    default:
      break;
  }
}

void CWndShadow::Detach() {
  if (m_hParent) ::RemoveWindowSubclass(m_hParent, ParentProc, kSubclassId);
  m_hParent = nullptr;
}

bool CWndShadow::ParentShowsShadow() const {
  return m_hParent && ::IsWindowVisible(m_hParent) && !::IsIconic(m_hParent) && !::IsZoomed(m_hParent);
}

void CWndShadow::Show(bool bShow) {
  if (!m_hWnd) return;
  if (!bShow) {
    ::ShowWindow(m_hWnd, SW_HIDE);
    return;
  }
  Update();
}

void CWndShadow::Update() {
  if (!m_hWnd || !m_hParent) return;
  if (!ParentShowsShadow() || m_sImage.empty()) {
    ::ShowWindow(m_hWnd, SW_HIDE);
    return;
  }
  RECT parent;
  ::GetWindowRect(m_hParent, &parent);
  // Corners and hole are layout pixels, scaled to the DPI of the window's screen.
  const UINT dpi = ui::GetWindowDpi(m_hParent);
  auto scaled = [dpi](const RECT& rc) {
    return RECT{ui::ScaleToDpi(rc.left, dpi), ui::ScaleToDpi(rc.top, dpi), ui::ScaleToDpi(rc.right, dpi),
                ui::ScaleToDpi(rc.bottom, dpi)};
  };
  const RECT corner = scaled(m_rcCorner), hole = scaled(m_rcHoleOffset);
  SIZE size = {parent.right - parent.left + corner.left + corner.right,
               parent.bottom - parent.top + corner.top + corner.bottom};
  POINT origin = {parent.left - corner.left, parent.top - corner.top};
  SIZE parentSize = {parent.right - parent.left, parent.bottom - parent.top};
  if (parentSize.cx != m_szDrawn.cx || parentSize.cy != m_szDrawn.cy || dpi != m_uDrawnDpi) {
    Gdiplus::Bitmap* image = ui::GetCachedImage(m_sImage);
    if (!image || size.cx <= 0 || size.cy <= 0) {
      ::ShowWindow(m_hWnd, SW_HIDE);
      return;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) {
      ::DeleteDC(memory);
      ::ReleaseDC(nullptr, screen);
      return;
    }
    HGDIOBJ old = ::SelectObject(memory, dib);
    {
      Gdiplus::Bitmap canvas(size.cx, size.cy, size.cx * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
      Gdiplus::Graphics graphics(&canvas);
      graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
      ui::ImageDesc desc;
      desc.file = m_sImage;
      desc.corner = ui::Edges{m_rcCorner.left, m_rcCorner.top, m_rcCorner.right, m_rcCorner.bottom};
      const Gdiplus::REAL scale = static_cast<Gdiplus::REAL>(dpi) / ui::kBaseDpi;
      graphics.ScaleTransform(scale, scale);
      CUIRender render(graphics, nullptr, dpi);
      render.DrawImage(RECT{0, 0, ui::ScaleFromDpi(size.cx, dpi), ui::ScaleFromDpi(size.cy, dpi)}, desc);
      graphics.ResetTransform();
      // The hole under the window stays fully transparent.
      graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
      Gdiplus::SolidBrush clear(Gdiplus::Color(0, 0, 0, 0));
      graphics.FillRectangle(&clear, static_cast<INT>(corner.left + hole.left), static_cast<INT>(corner.top + hole.top),
                             static_cast<INT>(parentSize.cx - hole.left - hole.right),
                             static_cast<INT>(parentSize.cy - hole.top - hole.bottom));
    }
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (!::UpdateLayeredWindow(m_hWnd, screen, &origin, &size, memory, &source, 0, &blend, ULW_ALPHA))
      LOG_METHOD(LOG_LEVEL_ERROR, "UpdateLayeredWindow failed, error = " << ::GetLastError());
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    m_szDrawn = parentSize;
    m_uDrawnDpi = dpi;
  }
  // Just below the window, whatever else moves in the z-order.
  ::SetWindowPos(m_hWnd, m_hParent, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}
