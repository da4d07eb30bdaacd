// With a proxy set for the user as Internet Options sets it, requests go
// through it: the target's name resolves nowhere here, only the stand-in's
// proxy port knows where to find it. Its own process, since the HTTP session
// reads the proxy setting once.
#include <gtest/gtest.h>

#include <vector>

#include "httprequest/httprequest.h"
#include "web_test_support.h"

using namespace std::chrono_literals;

namespace {

const wchar_t kConnections[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

// Sets the user's connection settings to a manual proxy for the test's life
// and puts back what was there before.
class UserProxy {
 public:
  explicit UserProxy(const std::string& proxy) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
    DWORD size = 0;
    if (RegQueryValueExW(m_key, L"DefaultConnectionSettings", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
      m_old.resize(size);
      RegQueryValueExW(m_key, L"DefaultConnectionSettings", nullptr, nullptr, m_old.data(), &size);
      m_hadOld = true;
    }
    // The layout Internet Options writes: magic, change counter, flags
    // (direct and manual proxy), then length-prefixed proxy, bypass list and
    // configuration script address.
    std::vector<BYTE> blob;
    auto put = [&](DWORD value) { blob.insert(blob.end(), reinterpret_cast<BYTE*>(&value), reinterpret_cast<BYTE*>(&value) + 4); };
    put(0x46);
    put(1);
    put(0x3);
    put(static_cast<DWORD>(proxy.size()));
    blob.insert(blob.end(), proxy.begin(), proxy.end());
    for (int i = 0; i < 8; ++i) put(0);
    RegSetValueExW(m_key, L"DefaultConnectionSettings", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
  }
  ~UserProxy() {
    if (m_hadOld) {
      RegSetValueExW(m_key, L"DefaultConnectionSettings", 0, REG_BINARY, m_old.data(), static_cast<DWORD>(m_old.size()));
    } else {
      RegDeleteValueW(m_key, L"DefaultConnectionSettings");
    }
    RegCloseKey(m_key);
  }

 private:
  HKEY m_key = nullptr;
  std::vector<BYTE> m_old;
  bool m_hadOld = false;
};

}  // namespace

TEST(UserProxyTest, RequestReachesTheServiceThroughTheProxy) {
  if (WebStandinAddress().empty()) GTEST_SKIP() << "needs the web stand-in (tests/fixtures/netns_wine.sh)";
  ASSERT_EQ(WebControl("reset"), "ok");
  UserProxy proxy(WebStandinAddress() + ":3128");

  CHttpRequest* request = new CHttpRequest();
  request->AddReference();
  RecordingRequestSink sink;
  ASSERT_EQ(request->Get("http://behind-proxy.orvane.com/orvane/api/v1/trueip", &sink, 0), 0);
  ASSERT_TRUE(sink.WaitFor(1, 30s));
  request->ReleaseReference();
  EXPECT_EQ(sink.Reports()[0].result, HTTP_REQUEST_OK);
  EXPECT_NE(sink.Reports()[0].body.find("203.0.113.7"), std::string::npos);
  EXPECT_EQ(WebHits("proxy"), 1);
}
