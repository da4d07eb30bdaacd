// A stand-in for other processes in the probe tests.
//   probe_helper set-event NAME   sets the named event and exits (0 on success)
//   probe_helper sleep MS         stays alive for MS milliseconds
#include <windows.h>

#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"set-event") == 0) {
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (!event) return 2;
    const BOOL set = SetEvent(event);
    CloseHandle(event);
    return set ? 0 : 3;
  }
  if (argc == 3 && std::wcscmp(argv[1], L"sleep") == 0) {
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    return 0;
  }
  return 1;
}
