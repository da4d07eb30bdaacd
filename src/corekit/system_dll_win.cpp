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
  // With a full path, the altered search order looks for the DLL's own
  // imports in its folder first, never in the program's.
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace corekit
