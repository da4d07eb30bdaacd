// The process's one WinHTTP session, asynchronous, with the user's proxy:
// the automatic proxy where Windows offers it (Windows 8.1 and later),
// otherwise the proxy set in the user's Internet Options, otherwise direct;
// automatic detection and configuration scripts are then asked per request
// (http_proxy.h). It asks for TLS 1.1 to 1.3 beside 1.0 where the system
// has them.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

namespace netlib {

// Made on first use; null when WinHTTP cannot be opened.
HINTERNET HttpSession();

// True when the session picks each request's proxy itself.
bool SessionPicksProxy();

// A session like that one that sends through `proxy` (as ChooseProxy gives
// it; empty: directly), for the proxy a configuration script picked for a
// request. Kept for the next request through the same proxy; the first few
// proxies get one each, then HttpSession() serves. Null when WinHTTP cannot
// open one.
HINTERNET HttpSessionThrough(const std::wstring& proxy);

// Connect, send and receive time-outs of every request, in milliseconds.
constexpr int kConnectTimeoutMs = 10000;
constexpr int kReceiveTimeoutMs = 15000;

}  // namespace netlib
