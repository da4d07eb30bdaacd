/* A DLL planted beside the program under the name of one Windows gives it
 * (version.dll, ...): when it is loaded, it leaves the file
 * "planted-loaded.txt" beside itself, with its own path in it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 32];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    DWORD folder = length;
    while (folder > 0 && path[folder - 1] != L'\\') --folder;
    wchar_t mark[MAX_PATH + 32];
    lstrcpynW(mark, path, (int)folder + 1);
    lstrcatW(mark, L"planted-loaded.txt");
    HANDLE file = CreateFileW(mark, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) {
      char line[MAX_PATH * 3 + 2];
      int bytes = WideCharToMultiByte(CP_UTF8, 0, path, (int)length, line, MAX_PATH * 3, NULL, NULL);
      line[bytes] = '\n';
      DWORD written;
      WriteFile(file, line, (DWORD)bytes + 1, &written, NULL);
      CloseHandle(file);
    }
  }
  return TRUE;
}
