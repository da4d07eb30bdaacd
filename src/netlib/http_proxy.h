// The user's proxy from Internet Options. Windows 8.1 and later pick each
// request's proxy themselves (the session's automatic mode); before that,
// and under Wine, automatic detection (WPAD) and a configuration script
// (PAC) are asked here for each request before it is sent.
#pragma once

#include <string>

namespace netlib {

struct UserProxySettings {
  bool autoDetect = false;  // automatic detection (WPAD)
  std::wstring configUrl;   // the configuration script (PAC), when set
  std::wstring proxy;       // the proxy set by hand, when set
  std::wstring bypass;      // the addresses that bypass it
};

UserProxySettings ReadUserProxySettings();

// True when a request must go through ChooseProxy before it is sent: the
// session does not pick proxies itself and the user asks for automatic
// detection or a configuration script.
bool NeedsProxyChoice();

// The proxy that automatic detection or the configuration script picks for
// `url`, in `proxy` ("host:port", a list separated by ";", or empty for a
// direct connection); false when they pick nothing, and the request then
// keeps the session's proxy (the one set by hand, or none). Blocks while the
// script is found, fetched and run.
bool ChooseProxy(const std::wstring& url, std::wstring& proxy);

}  // namespace netlib
