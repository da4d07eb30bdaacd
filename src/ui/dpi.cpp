#include "ui/dpi.h"

#include "ui/dpi_scale.h"

namespace ui {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn DpiForWindow() {
  static const GetDpiForWindowFn fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return fn;
}

UINT SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return kBaseDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

}  // namespace

UINT GetWindowDpi(HWND hWnd) {
  if (hWnd && DpiForWindow()) {
    const UINT dpi = DpiForWindow()(hWnd);
    if (dpi > 0) return dpi;
  }
  return SystemDpi();
}

}  // namespace ui
