// The public-address answer: parsing, the region split and the summary's query.
#include <gtest/gtest.h>

#include "netlib/http_url.h"
#include "probes/net/ip_site_findings.h"

namespace {

const std::wstring kTelecom = L"\u7535\u4FE1";  // 电信
const std::wstring kUnicom = L"\u8054\u901A";   // 联通
const std::wstring kMobile = L"\u79FB\u52A8";   // 移动

struct State {
  int ret = -1, known = -1, has = -1;
};
State Query(const CIPSiteFindings* findings) {
  State s;
  s.ret = CIPSiteFindings::QueryAddressState(findings, s.known, s.has);
  return s;
}

}  // namespace

TEST(AddressAnswer, FourRegionPartsEndingInAKnownCarrier) {
  CIPSiteFindings f;
  ASSERT_TRUE(f.ParseAnswer(
      "{\"clientIp\":\"203.0.113.7\",\"dataBlock\":{\"region\":\"\u4E2D\u56FD|\u5E7F\u4E1C|\u6DF1\u5733|\u7535\u4FE1\"},"
      "\"other\":1}"));
  EXPECT_EQ(f.m_strClientIp, L"203.0.113.7");
  ASSERT_EQ(f.m_vecRegion.size(), 4u);
  EXPECT_EQ(f.m_vecRegion[1], L"\u5E7F\u4E1C");
  EXPECT_EQ(f.m_vecRegion.back(), kTelecom);
  const State s = Query(&f);
  EXPECT_EQ(s.ret, 1);
  EXPECT_EQ(s.has, 1);
  EXPECT_EQ(s.known, 1);
  for (const std::wstring& carrier : {kUnicom, kMobile}) {
    f.m_vecRegion.back() = carrier;
    EXPECT_EQ(Query(&f).known, 1);
  }
}

TEST(AddressAnswer, CarrierOutsideTheThreeOrSpelledDifferentlyIsUnknown) {
  CIPSiteFindings f;
  ASSERT_TRUE(f.ParseAnswer("{\"clientIp\":\"198.51.100.1\",\"dataBlock\":{\"region\":\"\u4E2D\u56FD|\u9E4F\u535A\"}}"));
  State s = Query(&f);
  EXPECT_EQ(s.has, 1);
  EXPECT_EQ(s.known, 0);
  f.m_vecRegion.back() = kTelecom + L" ";
  EXPECT_EQ(Query(&f).known, 0);
}

TEST(AddressAnswer, MissingOrMistypedKeysLeaveTheFieldsAlone) {
  CIPSiteFindings f;
  ASSERT_TRUE(f.ParseAnswer("{\"clientIp\":\"192.0.2.1\"}"));
  EXPECT_EQ(f.m_strClientIp, L"192.0.2.1");
  State s = Query(&f);
  EXPECT_EQ(s.ret, 1);
  EXPECT_EQ(s.has, 0);
  EXPECT_EQ(s.known, 0);

  f.m_vecRegion = {L"a", kMobile};
  ASSERT_TRUE(f.ParseAnswer("{\"clientIp\":7,\"dataBlock\":{\"region\":[\"x\"]}}"));
  ASSERT_TRUE(f.ParseAnswer("{\"dataBlock\":\"\u4E2D\u56FD|\u7535\u4FE1\"}"));  // a string, not an object
  ASSERT_TRUE(f.ParseAnswer("[1,2]"));
  EXPECT_EQ(f.m_strClientIp, L"192.0.2.1");
  EXPECT_EQ(f.m_vecRegion, (std::vector<std::wstring>{L"a", kMobile}));

  EXPECT_FALSE(f.ParseAnswer("<html>not found</html>"));
  EXPECT_FALSE(f.ParseAnswer(""));
  EXPECT_FALSE(f.ParseAnswer("{\"clientIp\":\"1.2.3.4\""));
  EXPECT_EQ(f.m_strClientIp, L"192.0.2.1");
}

TEST(AddressAnswer, InvalidUtf8BecomesReplacementCharacters) {
  CIPSiteFindings f;
  ASSERT_TRUE(f.ParseAnswer("{\"clientIp\":\"1.2.3.4\",\"dataBlock\":{\"region\":\"a\xff|\xe7\x94\"}}"));
  ASSERT_EQ(f.m_vecRegion.size(), 2u);
  EXPECT_EQ(f.m_vecRegion[0], L"a\uFFFD");
  EXPECT_EQ(Query(&f).known, 0);
}

TEST(AddressAnswer, RegionSplitKeepsEmptyParts) {
  EXPECT_EQ(SplitRegion(L""), std::vector<std::wstring>{L""});
  EXPECT_EQ(SplitRegion(L"a|b|"), (std::vector<std::wstring>{L"a", L"b", L""}));
  EXPECT_EQ(SplitRegion(L"|a||b"), (std::vector<std::wstring>{L"", L"a", L"", L"b"}));
  // An empty region still counts as a region: one empty part, no carrier.
  CIPSiteFindings f;
  ASSERT_TRUE(f.ParseAnswer("{\"clientIp\":\"1.2.3.4\",\"dataBlock\":{\"region\":\"\"}}"));
  const State s = Query(&f);
  EXPECT_EQ(s.has, 1);
  EXPECT_EQ(s.known, 0);
}

TEST(AddressAnswer, NoHandlerLeavesTheOutputsUntouched) {
  const State s = Query(nullptr);
  EXPECT_EQ(s.ret, 0);
  EXPECT_EQ(s.known, -1);
  EXPECT_EQ(s.has, -1);
}

TEST(HttpUrl, PartsOfUsableUrls) {
  struct Case {
    const char* url;
    bool secure;
    const char* host;
    int port;
    const char* target;
  } cases[] = {
      {"http://ip.example.com/orvane/api/v1/trueip", false, "ip.example.com", 80, "/orvane/api/v1/trueip"},
      {"HTTPS://Example.com", true, "Example.com", 443, "/"},
      {"http://127.0.0.1:8080?x=1#frag", false, "127.0.0.1", 8080, "/?x=1"},
      {"http://[::1]:81/a/b", false, "::1", 81, "/a/b"},
  };
  for (const Case& c : cases) {
    CHttpUrl url;
    ASSERT_TRUE(url.Initialize(c.url)) << c.url;
    EXPECT_EQ(url.IsSecure(), c.secure) << c.url;
    EXPECT_EQ(url.GetHost(), c.host) << c.url;
    EXPECT_EQ(url.GetPort(), c.port) << c.url;
    EXPECT_EQ(url.GetRequestTarget(), c.target) << c.url;
  }
}

TEST(HttpUrl, RejectsWhatIsNoHttpUrl) {
  for (const char* text : {"", "ftp://a/b", "http://", "http:///path", "http://a b/", "http://host:0/",
                           "http://host:65536/", "http://host:/", "http://host:8x/", "http://user@host/",
                           "http://[::1/", "http://ho\x01st/", "ip.example.com/trueip", "http://h\xc3\xa9/"}) {
    CHttpUrl url;
    EXPECT_FALSE(url.Initialize(text)) << text;
  }
}

TEST(HttpUrl, ReferenceCountedDeletesAtZero) {
  CHttpUrl* url = new CHttpUrl();
  CSmartPointer<CHttpUrl> a(url);
  {
    CSmartPointer<CHttpUrl> b = a;
    EXPECT_EQ(url->AddReference(), 3);
    EXPECT_EQ(url->ReleaseReference(), 2);
  }
  EXPECT_EQ(a.Get(), url);
  a.Reset();  // deleted here; ASan reports a leak or a double free otherwise
  EXPECT_EQ(a.Get(), nullptr);
}
