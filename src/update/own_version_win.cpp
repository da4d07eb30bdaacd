#include <windows.h>

#include <vector>

#include "update/own_version.h"

namespace update {

std::wstring OwnFileVersion() {
  wchar_t path[MAX_PATH] = {0};
  if (!GetModuleFileNameW(nullptr, path, MAX_PATH)) return std::wstring();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return std::wstring();
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data())) return std::wstring();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return std::wstring();
  }
  return FormatFileVersion(info->dwFileVersionMS, info->dwFileVersionLS);
}

}  // namespace update
