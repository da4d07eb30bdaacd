#include "corekit/system_dll.h"

#include <string>

namespace corekit {

namespace {
// Not named by the Windows 7 headers.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
}  // namespace

bool RestrictDllSearchToSystem() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault && setDefault(kSearchSystem32)) return true;
  ::SetDllDirectoryW(L"");
  return false;
}

HMODULE LoadSystemDll(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {0};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder) + L"\\" + name;
  // The DLL's own imports come from the system folder too. Where Windows
  // lacks the flag (Windows 7 without KB2533623), the altered search order
  // looks for them in the DLL's folder first, never in the program's.
  HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, kSearchSystem32);
  if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  return module;
}

}  // namespace corekit
