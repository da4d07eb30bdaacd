// With a proxy set for the user as Internet Options sets it, requests go
// through it: the target's name resolves nowhere here, only the stand-in's
// proxy port knows where to find it. Its own process, since the HTTP session
// reads the proxy set by hand once; a configuration script is asked anew for
// each request.
#include <gtest/gtest.h>

#include <vector>

#include "httprequest/httprequest.h"
#include "web_test_support.h"

using namespace std::chrono_literals;

namespace {

const wchar_t kConnections[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

// Sets the user's connection settings to a manual proxy and a configuration
// script (either may be empty) for the test's life and puts back what was
// there before.
class UserProxy {
 public:
  UserProxy(const std::string& proxy, const std::string& script) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
    DWORD size = 0;
    if (RegQueryValueExW(m_key, L"DefaultConnectionSettings", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
      m_old.resize(size);
      RegQueryValueExW(m_key, L"DefaultConnectionSettings", nullptr, nullptr, m_old.data(), &size);
      m_hadOld = true;
    }
    // The layout Internet Options writes: magic, change counter, flags
    // (direct, manual proxy, configuration script), then length-prefixed
    // proxy, bypass list and configuration script address.
    std::vector<BYTE> blob;
    auto put = [&](DWORD value) { blob.insert(blob.end(), reinterpret_cast<BYTE*>(&value), reinterpret_cast<BYTE*>(&value) + 4); };
    auto putText = [&](const std::string& text) {
      put(static_cast<DWORD>(text.size()));
      blob.insert(blob.end(), text.begin(), text.end());
    };
    put(0x46);
    put(1);
    put(0x1 | (proxy.empty() ? 0 : 0x2) | (script.empty() ? 0 : 0x4));
    putText(proxy);
    putText("");
    putText(script);
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

// One GET without retries: its reports, the first awaited up to 30 s, then
// any further one for half a second.
std::vector<RecordingRequestSink::Report> GetOnce(const std::string& url) {
  CHttpRequest* request = new CHttpRequest();
  request->AddReference();
  RecordingRequestSink sink;
  if (request->Get(url, &sink, 0) == 0 && sink.WaitFor(1, 30s)) sink.WaitFor(2, 500ms);
  request->ReleaseReference();
  return sink.Reports();
}

}  // namespace

TEST(UserProxyTest, RequestReachesTheServiceThroughTheProxy) {
  if (WebStandinAddress().empty()) GTEST_SKIP() << "needs the web stand-in (tests/fixtures/netns_wine.sh)";
  ASSERT_EQ(WebControl("reset"), "ok");
  UserProxy proxy(WebStandinAddress() + ":3128", "");

  const auto reports = GetOnce("http://behind-proxy.orvane.com/orvane/api/v1/trueip");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].result, HTTP_REQUEST_OK);
  EXPECT_NE(reports[0].body.find("203.0.113.7"), std::string::npos);
  EXPECT_EQ(WebHits("proxy"), 1);
}

// The stand-in's script sends behind-proxy.orvane.com through its proxy and
// every other name directly, which the proxy's count of requests shows.
TEST(UserProxyTest, ConfigurationScriptPicksTheProxyOfEachRequest) {
  if (WebStandinAddress().empty()) GTEST_SKIP() << "needs the web stand-in (tests/fixtures/netns_wine.sh)";
  ASSERT_EQ(WebControl("reset"), "ok");
  UserProxy proxy("", "http://" + WebStandinAddress() + "/proxy.pac");
  struct Case {
    std::string url;
    int proxyHits;  // the proxy's count after the request
  } cases[] = {
      {"http://behind-proxy.orvane.com/orvane/api/v1/trueip", 1},
      {"http://ip.orvane.com/orvane/api/v1/trueip", 1},
      {"http://behind-proxy.orvane.com/download/kalto/kalto.ini", 2},
  };
  for (const Case& c : cases) {
    const auto reports = GetOnce(c.url);
    ASSERT_EQ(reports.size(), 1u) << c.url;
    EXPECT_EQ(reports[0].result, HTTP_REQUEST_OK) << c.url;
    EXPECT_EQ(WebHits("proxy"), c.proxyHits) << c.url;
  }
  EXPECT_GE(WebHits("/proxy.pac"), 1);
}

// A proxy that asks for a logon gets the request once more with the user's
// own credentials (which Wine cannot give: it has no logon session to offer),
// then its answer ends the request.
TEST(UserProxyTest, ProxyAskingForALogonIsAskedOnceMoreAndNoMore) {
  if (WebStandinAddress().empty()) GTEST_SKIP() << "needs the web stand-in (tests/fixtures/netns_wine.sh)";
  ASSERT_EQ(WebControl("reset"), "ok");
  ASSERT_EQ(WebControl("set?path=proxy&mode=logon"), "ok");
  UserProxy proxy(WebStandinAddress() + ":3128", "");

  EXPECT_EQ(GetOnce("http://behind-proxy.orvane.com/orvane/api/v1/trueip").size(), 1u);
  EXPECT_EQ(WebHits("proxy"), 2);
}
