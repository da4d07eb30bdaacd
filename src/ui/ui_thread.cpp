#include "ui/ui_thread.h"

#include <windows.h>

#include <atomic>

#include "corekit/log.h"

namespace {

const wchar_t kQueueClass[] = L"kalto.uiwork";
const UINT WM_UI_WORK = WM_APP + 0x2A0;

std::atomic<HWND> g_hQueue{nullptr};
std::atomic<DWORD> g_uiThreadId{0};

LRESULT CALLBACK QueueProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_UI_WORK) {
    reinterpret_cast<CUiWork*>(lParam)->Execute();
    return 1;
  }
  if (uMsg == WM_NCDESTROY) g_hQueue.store(nullptr);
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

}  // namespace

namespace ui {

void BindUiThread() {
  DWORD none = 0;
  if (!g_uiThreadId.compare_exchange_strong(none, ::GetCurrentThreadId())) return;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = QueueProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kQueueClass;
  ::RegisterClassExW(&wc);
  // A message-only window: it receives the work and is never shown.
  HWND hWnd = ::CreateWindowExW(0, kQueueClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (!hWnd) LOG_FUNC(LOG_LEVEL_ERROR, "work queue window not created, error = " << ::GetLastError());
  g_hQueue.store(hWnd);
}

bool RunOnUiThread(CUiWork& work) {
  const DWORD uiThread = g_uiThreadId.load();
  if (uiThread == 0 || uiThread == ::GetCurrentThreadId()) {
    work.Execute();
    return true;
  }
  // The sender waits until the thread's message loop has run the work; a
  // window that is gone answers 0 at once.
  HWND hQueue = g_hQueue.load();
  return hQueue && ::SendMessageW(hQueue, WM_UI_WORK, 0, reinterpret_cast<LPARAM>(&work)) == 1;
}

}  // namespace ui
