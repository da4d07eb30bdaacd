#include "probes/local/disk_space_handler.h"

#include <windows.h>
#include <shlobj.h>

#include "corekit/log.h"

namespace {
std::wstring SpecialFolderPath(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(GetDesktopWindow(), path, csidl, FALSE)) return std::wstring();
  path[MAX_PATH - 1] = L'\0';
  return path;
}
}  // namespace

int CDiskSpaceHandler::DoDetect() {
  LOG_METHOD_TAG(LOG_LEVEL_INFO, "CDiskSpaceHandler::DoDetect", "CDiskSpaceHandler::DoDetect()");
  m_ullWinDriveFree = GetDriveFreeSpace(SpecialFolderPath(CSIDL_WINDOWS));
  m_ullAppDataDriveFree = GetDriveFreeSpace(SpecialFolderPath(CSIDL_APPDATA));
  return 1;
}

unsigned long long CDiskSpaceHandler::GetDriveFreeSpace(const std::wstring& folderPath) {
  const std::wstring drive = DrivePartOfPath(folderPath);
  if (drive.empty()) return 0;
  ULARGE_INTEGER available, total, totalFree;
  if (!GetDiskFreeSpaceExW(drive.c_str(), &available, &total, &totalFree)) return 0;
  return totalFree.QuadPart;
}
