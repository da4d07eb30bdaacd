// Conversions between UTF-8, UTF-16 (the wide strings of Windows) and the
// system code page. Invalid input never fails: each bad sequence becomes
// U+FFFD, the replacement character.
#pragma once

#include <string>

namespace corekit {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

#ifdef _WIN32
// The active code page of the system (CP_ACP): what narrow Windows APIs use.
std::wstring AcpToWide(const std::string& text);
std::string WideToAcp(const std::wstring& text);
#endif

}  // namespace corekit
