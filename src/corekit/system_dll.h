// DLLs from the system folder only. The program runs elevated from whatever
// folder the user copied it to (Downloads, a USB stick), so it never lets a
// DLL lying beside it be loaded in place of Windows' own.
#pragma once

#include <windows.h>

namespace corekit {

// Restricts every later load of a DLL by bare name to the system folder
// (SetDefaultDllDirectories, looked up at run time: Windows 8 and later, and
// Windows 7 with update KB2533623). Where it is missing, only the current
// folder is taken out of the search. True when the restriction holds.
bool RestrictDllSearchToSystem();

// Loads `name` ("sensapi.dll") from the system folder by its full path, its
// own dependencies from there too; null (GetLastError set) when it fails.
HMODULE LoadSystemDll(const wchar_t* name);

}  // namespace corekit
