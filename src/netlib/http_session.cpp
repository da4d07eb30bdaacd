#include "netlib/http_session.h"

#include <map>
#include <mutex>
#include <string>

#include "corekit/log.h"
#include "netlib/http_proxy.h"
#include "netlib/secure_protocols.h"

#ifndef WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY
#define WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY 4
#endif
#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

namespace netlib {
namespace {

constexpr wchar_t kAgent[] = L"KALTO";

struct Session {
  HINTERNET handle = nullptr;
  bool picksProxy = false;
};

// Wine accepts the automatic proxy mode but sends every request directly, so
// there the user's own setting is read instead.
bool IsWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// Windows 7 offers TLS 1.0 alone unless asked; current servers want 1.2.
void AskForCurrentTls(HINTERNET session) {
  const std::vector<SecureProtocol> wanted = {{WINHTTP_FLAG_SECURE_PROTOCOL_TLS1, "TLS 1.0"},
                                              {WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1, "TLS 1.1"},
                                              {WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2, "TLS 1.2"},
                                              {WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3, "TLS 1.3"}};
  const SecureProtocolChoice choice = ChooseSecureProtocols(wanted, [session](uint32_t flags) {
    DWORD value = flags;
    return ::WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &value, sizeof(value)) != FALSE;
  });
  std::string accepted;
  for (const SecureProtocol& protocol : wanted) {
    if (choice.accepted & protocol.flag) accepted += (accepted.empty() ? "" : ", ") + std::string(protocol.name);
  }
  std::string refused;
  for (const std::string& name : choice.refused) refused += (refused.empty() ? "" : ", ") + name;
  LOG_FUNC(choice.accepted ? LOG_LEVEL_INFO : LOG_LEVEL_ERROR,
           "secure protocols = " << (accepted.empty() ? "the system's own" : accepted)
                                 << ", refused = " << (refused.empty() ? "none" : refused));
}

// An asynchronous session with the given proxy, time-outs and TLS versions.
HINTERNET OpenAsync(DWORD access, const std::wstring& proxy, const std::wstring& bypass) {
  HINTERNET session = ::WinHttpOpen(kAgent, access, proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxy.c_str(),
                                    bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(), WINHTTP_FLAG_ASYNC);
  if (!session) return nullptr;
  ::WinHttpSetTimeouts(session, kConnectTimeoutMs, kConnectTimeoutMs, kReceiveTimeoutMs, kReceiveTimeoutMs);
  AskForCurrentTls(session);
  return session;
}

HINTERNET OpenWithUserProxy() {
  const UserProxySettings settings = ReadUserProxySettings();
  if (settings.autoDetect || !settings.configUrl.empty()) {
    LOG_FUNC(LOG_LEVEL_INFO, "automatic detection = " << (settings.autoDetect ? 1 : 0)
                                                      << ", configuration script = " << settings.configUrl);
  }
  if (!settings.proxy.empty()) {
    LOG_FUNC(LOG_LEVEL_INFO, "proxy = " << settings.proxy << ", bypass = " << settings.bypass);
    HINTERNET session = OpenAsync(WINHTTP_ACCESS_TYPE_NAMED_PROXY, settings.proxy, settings.bypass);
    if (session) return session;
  }
  LOG_FUNC(LOG_LEVEL_INFO, "proxy = direct");
  return OpenAsync(WINHTTP_ACCESS_TYPE_NO_PROXY, L"", L"");
}

Session OpenSession() {
  Session session;
  if (!IsWine()) {
    // Fails with ERROR_INVALID_PARAMETER before Windows 8.1.
    session.handle = OpenAsync(WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, L"", L"");
    session.picksProxy = session.handle != nullptr;
    if (session.handle) LOG_FUNC(LOG_LEVEL_INFO, "proxy = automatic");
  }
  if (!session.handle) session.handle = OpenWithUserProxy();
  if (!session.handle) {
    LOG_FUNC(LOG_LEVEL_ERROR, "WinHttpOpen failed, error = " << static_cast<unsigned long>(::GetLastError()));
  }
  return session;
}

const Session& TheSession() {
  static std::once_flag once;
  static Session session;  // lives as long as the process
  std::call_once(once, [] { session = OpenSession(); });
  return session;
}

}  // namespace

HINTERNET HttpSession() { return TheSession().handle; }

bool SessionPicksProxy() { return TheSession().picksProxy; }

// A session per proxy rather than the proxy option of each request: Windows
// honours both, Wine only the session's.
HINTERNET HttpSessionThrough(const std::wstring& proxy) {
  constexpr size_t kMaxSessions = 8;
  static std::mutex mutex;
  static std::map<std::wstring, HINTERNET> sessions;  // live as long as the process
  std::lock_guard<std::mutex> lock(mutex);
  auto found = sessions.find(proxy);
  if (found != sessions.end()) return found->second;
  if (sessions.size() == kMaxSessions) return HttpSession();
  HINTERNET session = proxy.empty() ? OpenAsync(WINHTTP_ACCESS_TYPE_NO_PROXY, L"", L"")
                                    : OpenAsync(WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy, L"");
  if (session) sessions[proxy] = session;
  return session;
}

}  // namespace netlib
