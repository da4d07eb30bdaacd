#include "ping/ping_notify_window.h"

#include "corekit/log.h"

namespace {

const wchar_t kClassName[] = L"PingNotifyWindow";
const wchar_t kTitle[] = L"KALTO.PingWindow";

LRESULT CALLBACK PingNotifyWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PING_STOP) return DefWindowProcW(hWnd, message, wParam, lParam);
  if (IPingSink* sink = reinterpret_cast<IPingSink*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA))) {
    sink->OnPingUnitStop(reinterpret_cast<CPingUnit*>(wParam));
  }
  return 0;
}

bool RegisterNotifyClass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(instance, kClassName, &wc)) return true;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = PingNotifyWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreatePingNotifyWindow(IPingSink* sink) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND hWnd = nullptr;
  if (RegisterNotifyClass(instance)) {
    hWnd = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  }
  if (!hWnd) {
    LOG_FUNC(LOG_LEVEL_ERROR, "no ping notify window, err = " << static_cast<unsigned long>(GetLastError()));
    return nullptr;
  }
  SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sink));
  ShowWindow(hWnd, SW_HIDE);
  return hWnd;
}
