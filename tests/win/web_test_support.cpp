#include "web_test_support.h"

#include <psapi.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "corekit/textconv.h"

namespace {

// Secure connections as Windows 7 makes them: TLS 1.0 unless the program
// asks for more, since there WinHTTP offers 1.1 and 1.2 only when asked.
// Schannel reads this at the process's first secure connection, so it is set
// before any test runs.
class Windows7Tls : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const wchar_t* version : {L"TLS 1.1", L"TLS 1.2", L"TLS 1.3"}) {
      const std::wstring path =
          std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\SecurityProviders\\SCHANNEL\\Protocols\\") + version +
          L"\\Client";
      HKEY key = nullptr;
      if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
          ERROR_SUCCESS) {
        continue;
      }
      const DWORD off = 1;
      RegSetValueExW(key, L"DisabledByDefault", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof(off));
      RegCloseKey(key);
    }
  }
};

::testing::Environment* const kWindows7Tls = ::testing::AddGlobalTestEnvironment(new Windows7Tls);

}  // namespace

std::string WebStandinAddress() {
  const char* address = std::getenv("KALTO_WEB_STANDIN");
  return address ? address : "";
}

std::string WebControl(const std::string& query) {
  std::string answer;
  HINTERNET session = WinHttpOpen(L"test", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  HINTERNET connect = session ? WinHttpConnect(session, corekit::Utf8ToWide(WebStandinAddress()).c_str(), 8080, 0)
                              : nullptr;
  HINTERNET request = connect ? WinHttpOpenRequest(connect, L"GET", corekit::Utf8ToWide("/" + query).c_str(), nullptr,
                                                   WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                              : nullptr;
  if (request && WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
      WinHttpReceiveResponse(request, nullptr)) {
    char buffer[256];
    DWORD read = 0;
    while (WinHttpReadData(request, buffer, sizeof(buffer), &read) && read > 0) answer.append(buffer, read);
  }
  if (request) WinHttpCloseHandle(request);
  if (connect) WinHttpCloseHandle(connect);
  if (session) WinHttpCloseHandle(session);
  return answer;
}

int WebHits(const std::string& path) { return std::atoi(WebControl("hits?path=" + path).c_str()); }

size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  // Wine leaves PrivateUsage at 0 and counts private pages as PagefileUsage.
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

void RecordingRequestSink::OnRequestEnd(int result, IHttpRequest* /*request*/, CDataPackage& body) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_reports.push_back({result, body.FlattenPackage(), Clock::now()});
  m_cv.notify_all();
}

bool RecordingRequestSink::WaitFor(size_t count, std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cv.wait_for(lock, limit, [&] { return m_reports.size() >= count; });
}

std::vector<RecordingRequestSink::Report> RecordingRequestSink::Reports() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_reports;
}
