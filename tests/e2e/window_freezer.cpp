// Suspends the thread of a top-level window, as a program whose window
// thread is stuck: the window no longer answers any message, its close
// included, while the process lives on. The thread stays suspended after
// this program ends.
//
//   window_freezer <window-class>
//
// Exit code 1 when no such window exists or its thread cannot be suspended.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fputs("usage: window_freezer <window-class>\n", stderr);
    return 2;
  }
  HWND window = FindWindowW(argv[1], nullptr);
  const DWORD thread_id = window ? GetWindowThreadProcessId(window, nullptr) : 0;
  if (!thread_id) {
    fputs("no such window\n", stderr);
    return 1;
  }
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread_id);
  if (!thread || SuspendThread(thread) == static_cast<DWORD>(-1)) {
    fprintf(stderr, "cannot suspend the window's thread, error %lu\n", GetLastError());
    if (thread) CloseHandle(thread);
    return 1;
  }
  CloseHandle(thread);
  return 0;
}
