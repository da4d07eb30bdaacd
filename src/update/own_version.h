// The program's own file version, as four numbers joined by dots.
#pragma once

#include <cstdint>
#include <string>

namespace update {
// "%d.%d.%d.%d" of the high and low words of the most significant, then the
// least significant double word of a fixed file version.
std::wstring FormatFileVersion(uint32_t versionMs, uint32_t versionLs);
#ifdef _WIN32
// The version resource of the running executable; empty without one.
std::wstring OwnFileVersion();
#endif
}  // namespace update
