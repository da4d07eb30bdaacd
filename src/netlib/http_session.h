// The process's one WinHTTP session, asynchronous, with the user's proxy:
// the automatic proxy where Windows offers it (Windows 8.1 and later),
// otherwise the proxy set in the user's Internet Options, otherwise direct.
#pragma once

#include <windows.h>
#include <winhttp.h>

namespace netlib {

// Made on first use; null when WinHTTP cannot be opened.
HINTERNET HttpSession();

// Connect, send and receive time-outs of every request, in milliseconds.
constexpr int kConnectTimeoutMs = 10000;
constexpr int kReceiveTimeoutMs = 15000;

}  // namespace netlib
