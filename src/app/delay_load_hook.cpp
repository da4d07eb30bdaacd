// The DLLs that are not on Windows' KnownDLLs list (WinHTTP, GDI+, the IP
// helper, ...) are delay-loaded (see tools/cmake/delay_import.cmake): the
// first call into one loads it here, by its full path in the system folder,
// so a DLL of that name beside the program is never taken, even on a Windows 7
// without SetDefaultDllDirectories.
#include <windows.h>
#include <delayimp.h>

#include <string>

#include "corekit/system_dll.h"

namespace {

FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
  const std::string name(info->szDll);
  return reinterpret_cast<FARPROC>(corekit::LoadSystemDll(std::wstring(name.begin(), name.end()).c_str()));
}

}  // namespace

// Read by the delay-load helper of the C runtime before each DLL it loads.
PfnDliHook __pfnDliNotifyHook2 = &LoadFromSystemFolder;
