#include "netlib/http_session.h"

#include <mutex>
#include <string>

#include "corekit/log.h"

#ifndef WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY
#define WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY 4
#endif

namespace netlib {
namespace {

constexpr wchar_t kAgent[] = L"KALTO";

// Wine accepts the automatic proxy mode but sends every request directly, so
// there the user's own setting is read instead.
bool IsWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

HINTERNET OpenWithUserProxy() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  HINTERNET session = nullptr;
  if (::WinHttpGetIEProxyConfigForCurrentUser(&config) && config.lpszProxy && *config.lpszProxy) {
    const std::wstring bypass = config.lpszProxyBypass ? config.lpszProxyBypass : L"";
    LOG_FUNC(LOG_LEVEL_INFO, "proxy = " << std::wstring(config.lpszProxy) << ", bypass = " << bypass);
    session = ::WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, config.lpszProxy,
                            bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(), WINHTTP_FLAG_ASYNC);
  }
  if (config.lpszAutoConfigUrl) ::GlobalFree(config.lpszAutoConfigUrl);
  if (config.lpszProxy) ::GlobalFree(config.lpszProxy);
  if (config.lpszProxyBypass) ::GlobalFree(config.lpszProxyBypass);
  if (session) return session;
  LOG_FUNC(LOG_LEVEL_INFO, "proxy = direct");
  return ::WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                       WINHTTP_FLAG_ASYNC);
}

HINTERNET OpenSession() {
  HINTERNET session = nullptr;
  if (!IsWine()) {
    // Fails with ERROR_INVALID_PARAMETER before Windows 8.1.
    session = ::WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (session) LOG_FUNC(LOG_LEVEL_INFO, "proxy = automatic");
  }
  if (!session) session = OpenWithUserProxy();
  if (!session) {
    LOG_FUNC(LOG_LEVEL_ERROR, "WinHttpOpen failed, error = " << static_cast<unsigned long>(::GetLastError()));
    return nullptr;
  }
  ::WinHttpSetTimeouts(session, kConnectTimeoutMs, kConnectTimeoutMs, kReceiveTimeoutMs, kReceiveTimeoutMs);
  return session;
}

}  // namespace

HINTERNET HttpSession() {
  static std::once_flag once;
  static HINTERNET session = nullptr;  // lives as long as the process
  std::call_once(once, [] { session = OpenSession(); });
  return session;
}

}  // namespace netlib
