#include <windows.h>
#include <shlobj.h>

#include "corekit/log_platform.h"
#include "corekit/textconv.h"

namespace corekit {

std::string DefaultLogFolder() {
  wchar_t appData[MAX_PATH] = {0};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) return std::string();
  return WideToUtf8(std::wstring(appData) + L"\\Orvane\\KALTO\\log");
}

unsigned long CurrentThreadId() { return GetCurrentThreadId(); }
unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace corekit
