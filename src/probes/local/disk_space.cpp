#include "probes/local/disk_space.h"

std::wstring DrivePartOfPath(const std::wstring& path) {
  const size_t backslash = path.find(L'\\');
  if (backslash == std::wstring::npos || backslash < 2) return std::wstring();
  return path.substr(0, backslash);
}
