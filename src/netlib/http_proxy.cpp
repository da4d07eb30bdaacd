#include "netlib/http_proxy.h"

#include <mutex>

#include "corekit/log.h"
#include "netlib/http_session.h"

namespace netlib {
namespace {

std::wstring TakeGlobalText(LPWSTR text) {
  if (!text) return std::wstring();
  std::wstring copy(text);
  ::GlobalFree(text);
  return copy;
}

// A synchronous session of its own for WinHttpGetProxyForUrl, which blocks
// and fetches the script directly.
HINTERNET ResolverSession() {
  static std::once_flag once;
  static HINTERNET session = nullptr;  // lives as long as the process
  std::call_once(once, [] {
    session = ::WinHttpOpen(L"KALTO", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session) {
      ::WinHttpSetTimeouts(session, kConnectTimeoutMs, kConnectTimeoutMs, kReceiveTimeoutMs, kReceiveTimeoutMs);
    }
  });
  return session;
}

}  // namespace

UserProxySettings ReadUserProxySettings() {
  UserProxySettings settings;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (!::WinHttpGetIEProxyConfigForCurrentUser(&config)) return settings;
  settings.autoDetect = config.fAutoDetect != FALSE;
  settings.configUrl = TakeGlobalText(config.lpszAutoConfigUrl);
  settings.proxy = TakeGlobalText(config.lpszProxy);
  settings.bypass = TakeGlobalText(config.lpszProxyBypass);
  return settings;
}

bool NeedsProxyChoice() {
  if (SessionPicksProxy()) return false;
  const UserProxySettings settings = ReadUserProxySettings();
  return settings.autoDetect || !settings.configUrl.empty();
}

bool ChooseProxy(const std::wstring& url, std::wstring& proxy) {
  const UserProxySettings settings = ReadUserProxySettings();
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (settings.autoDetect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  if (!settings.configUrl.empty()) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = settings.configUrl.c_str();
  }
  HINTERNET resolver = ResolverSession();
  WINHTTP_PROXY_INFO info = {};
  BOOL found = resolver && ::WinHttpGetProxyForUrl(resolver, url.c_str(), &options, &info);
  if (!found && ::GetLastError() == ERROR_WINHTTP_LOGIN_FAILURE) {
    // The script's server asked for a logon: once more with the user's own.
    options.fAutoLogonIfChallenged = TRUE;
    found = ::WinHttpGetProxyForUrl(resolver, url.c_str(), &options, &info);
  }
  if (!found) {
    LOG_FUNC(LOG_LEVEL_INFO, "automatic proxy found nothing, error = " << static_cast<unsigned long>(::GetLastError())
                                                                       << ", url = " << url);
    return false;
  }
  const std::wstring named = TakeGlobalText(info.lpszProxy);
  TakeGlobalText(info.lpszProxyBypass);
  proxy = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? named : std::wstring();
  LOG_FUNC(LOG_LEVEL_INFO, "proxy = " << (proxy.empty() ? std::wstring(L"direct") : proxy) << ", url = " << url);
  return true;
}

}  // namespace netlib
