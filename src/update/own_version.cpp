#include "update/own_version.h"

#include <cstdio>

namespace update {

std::wstring FormatFileVersion(uint32_t versionMs, uint32_t versionLs) {
  char text[48];
  std::snprintf(text, sizeof(text), "%d.%d.%d.%d", static_cast<int>(versionMs >> 16),
                static_cast<int>(versionMs & 0xFFFF), static_cast<int>(versionLs >> 16),
                static_cast<int>(versionLs & 0xFFFF));
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

}  // namespace update
