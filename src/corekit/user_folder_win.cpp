#include <windows.h>
#include <shlobj.h>

#include "corekit/textconv.h"
#include "corekit/user_folder.h"

namespace corekit {

std::string UserDataFolder() {
  // Wide, then UTF-8: the system code page cannot hold every user's name.
  wchar_t appData[MAX_PATH] = {0};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData))) {
    return std::string();
  }
  return WideToUtf8(std::wstring(appData) + L"\\Orvane\\KALTO");
}

}  // namespace corekit
