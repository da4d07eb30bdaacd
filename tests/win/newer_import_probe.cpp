// Imports two functions newer than Windows 7 directly, as a careless call
// would: the import check must report both. Never run.
#include <windows.h>

// The Windows 7 floor of the build hides both declarations.
extern "C" __declspec(dllimport) UINT WINAPI GetDpiForWindow(HWND window);
extern "C" __declspec(dllimport) void WINAPI GetSystemTimePreciseAsFileTime(LPFILETIME time);

int main() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return static_cast<int>(GetDpiForWindow(GetDesktopWindow()) + now.dwLowDateTime);
}
