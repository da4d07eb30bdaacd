// Keeps Wine's desktop process of one prefix up for as long as the prefix's
// tests run (tools/wine-desktop.sh starts it in a prefix that has none).
//
// Wine starts its desktop process (explorer.exe /desktop) for the first
// program that needs a display and waits at most ten seconds for it; a
// program that gives up waiting keeps a display driver that refuses every
// window for the rest of its life. The desktop process ends one second after
// the last program on it, so without a program that stays, every start after
// a pause pays that wait again. This program is that one: it starts the
// desktop process itself and waits for it as long as it takes, then creates
// a window, which proves the display driver, says so, and stays, answering
// its messages, until the prefix's wineserver is ended or its display goes
// away.
//
//   desktop_keeper
//       prints "ready <width>x<height>" (the screen as Wine's desktop gives
//       it) once its window exists, then stays; exit code 1, with the error,
//       when the window cannot be created
#include <windows.h>

#include <cstdio>

namespace {

// How long the desktop process may take to come up on a busy machine.
constexpr DWORD kDesktopWait = 300000;

// Starts the desktop process and waits until it takes input. The 64-bit
// one where there is one, as Wine starts it, not the 32-bit copy that a
// 32-bit program would be redirected to.
void StartDesktop() {
  wchar_t command[] = L"explorer.exe /desktop";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  void* redirection = nullptr;
  const BOOL unredirected = Wow64DisableWow64FsRedirection(&redirection);
  const BOOL started = CreateProcessW(L"C:\\windows\\system32\\explorer.exe", command, nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &process);
  if (unredirected) Wow64RevertWow64FsRedirection(redirection);
  if (!started) {
    // The window below then starts it the usual way.
    printf("explorer.exe not started, error %lu\n", GetLastError());
    return;
  }
  const DWORD waited = WaitForInputIdle(process.hProcess, kDesktopWait);
  if (waited != 0) printf("the desktop process did not settle: %lu\n", waited);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace

int wmain() {
  // The screen's size in pixels, whatever DPI the prefix sets.
  SetProcessDPIAware();
  StartDesktop();
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"kalto.desktop_keeper";
  RegisterClassW(&window_class);
  // Never shown: a top-level window needs the display driver, which a
  // message-only window would not load.
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                window_class.hInstance, nullptr);
  if (!window) {
    printf("no window, error %lu\n", GetLastError());
    return 1;
  }
  printf("ready %dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
