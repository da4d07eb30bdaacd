// The media-server findings: server order, the limits of "svrdata" and the
// queries of the verdict and the summary.
#include <gtest/gtest.h>

#include "probes/net/server_net_findings.h"
#include "skinkit/resource_mgr.h"

namespace {

// Findings whose servers reported (delay, loss) in order.
void Report(CServerNetFindings& findings, const std::vector<std::pair<int, int>>& figures) {
  for (size_t i = 0; i < figures.size(); ++i) findings.SetServerResult(i, figures[i].first, figures[i].second);
}

void ServeSettings(const std::string* xml) {
  DllResourceMgr::instance()->SetItemReader([xml](const std::string& name, std::string& bytes) {
    if (!xml || name != "svrdata") return false;
    bytes = *xml;
    return true;
  });
}

}  // namespace

TEST(ServerNetFindings, ServersFollowTheCarrierOrder) {
  CServerNetFindings findings(DefaultMediaServerSlots(), ServerNetLimits());
  std::vector<std::string> hosts;
  for (const ServerNetInfo& server : findings.GetServerNetInfo()) {
    hosts.push_back(server.strUrl);
    EXPECT_EQ(server.bFinish, 0);
  }
  EXPECT_EQ(hosts, (std::vector<std::string>{"ctc1.media.orvane.com", "cnc1.media.orvane.com", "cmc1.media.orvane.com",
                                             "ctc2.media.orvane.com", "cnc2.media.orvane.com",
                                             "cmc2.media.orvane.com"}));
  EXPECT_EQ(findings.GetServerNetInfo()[0].strName, L"\u7535\u4FE1\u670D\u52A1\u56681");  // 电信服务器1
}

TEST(ServerNetFindings, LimitsComeFromTheSettings) {
  ServerNetLimits limits = ParseServerNetLimits("<SvrDetect><ICMP lost=\"3\" deley=\"50\" times=\"10\"/></SvrDetect>");
  EXPECT_EQ(limits.nLostLimit, 3);
  EXPECT_EQ(limits.nDelayLimit, 50);
  EXPECT_EQ(limits.nTimes, 10);

  limits = ParseServerNetLimits("<SvrDetect><ICMP deley=\"40\"/></SvrDetect>");
  EXPECT_EQ(limits.nLostLimit, 1) << "absent attribute keeps its default";
  EXPECT_EQ(limits.nDelayLimit, 40);
  EXPECT_EQ(limits.nTimes, 100);

  const std::string xml = "<?xml version=\"1.0\"?><SvrDetect><ICMP lost=\"2\" deley=\"20\" times=\"40\"/></SvrDetect>";
  ServeSettings(&xml);
  limits = LoadServerNetLimits();
  EXPECT_EQ(limits.nLostLimit, 2);
  EXPECT_EQ(limits.nDelayLimit, 20);
  EXPECT_EQ(limits.nTimes, 40);
}

TEST(ServerNetFindings, BadSettingsKeepTheDefaults) {
  for (const char* xml : {"", "<SvrDetect><ICMP lost=\"3\"", "<Other><ICMP lost=\"3\"/></Other>",
                          "<SvrDetect><UDP lost=\"3\"/></SvrDetect>", "\xFF\xFE<S"}) {
    const ServerNetLimits limits = ParseServerNetLimits(xml);
    EXPECT_EQ(limits.nLostLimit, 1) << xml;
    EXPECT_EQ(limits.nDelayLimit, 35) << xml;
    EXPECT_EQ(limits.nTimes, 100) << xml;
  }
  // Values that are no number or make no sense: a series of no echo would pass unmeasured.
  const ServerNetLimits limits =
      ParseServerNetLimits("<SvrDetect><ICMP lost=\"-1\" deley=\"fast\" times=\"0\"/></SvrDetect>");
  EXPECT_EQ(limits.nLostLimit, 1);
  EXPECT_EQ(limits.nDelayLimit, 35);
  EXPECT_EQ(limits.nTimes, 100);

  ServeSettings(nullptr);
  EXPECT_EQ(LoadServerNetLimits().nTimes, 100);
}

TEST(ServerNetFindings, FinishesOnceWhenTheLastServerReports) {
  CServerNetFindings findings(DefaultMediaServerSlots(), ServerNetLimits());
  for (size_t i = 0; i < 5; ++i) EXPECT_FALSE(findings.SetServerResult(i, 20, 0));
  EXPECT_FALSE(findings.IsFinish());
  EXPECT_TRUE(findings.SetServerResult(5, 20, 0));
  EXPECT_TRUE(findings.IsFinish());
  EXPECT_FALSE(findings.SetServerResult(5, 21, 0)) << "a second report does not finish again";
  EXPECT_FALSE(findings.SetServerResult(6, 20, 0));
}

TEST(ServerNetFindings, EntriesOfOneHostShowItsLatestReportButFinishApart) {
  MediaServerSlots slots = DefaultMediaServerSlots();
  slots[SLOT_CNC1].strDomain = slots[SLOT_CTC1].strDomain;  // entries 0 and 1 share a host
  CServerNetFindings findings(slots, ServerNetLimits());
  for (size_t i = 2; i < 6; ++i) findings.SetServerResult(i, 20, 0);
  EXPECT_FALSE(findings.SetServerResult(0, 30, 5, 2.5));
  EXPECT_EQ(findings.GetServerNetInfo()[1].nDelay, 30);
  EXPECT_DOUBLE_EQ(findings.GetServerNetInfo()[1].dJitter, 2.5);
  EXPECT_EQ(findings.GetServerNetInfo()[1].bFinish, 0);
  EXPECT_FALSE(findings.IsFinish()) << "the second series of that host still runs";
  EXPECT_TRUE(findings.SetServerResult(1, 40, 2));
  EXPECT_EQ(findings.GetServerNetInfo()[0].nDelay, 40);
  EXPECT_EQ(findings.GetServerNetInfo()[0].nLost, 2);
}

TEST(ServerNetFindings, LimitQueries) {
  CServerNetFindings findings(DefaultMediaServerSlots(), ServerNetLimits());
  EXPECT_EQ(findings.GetPassCount(), 6) << "unreported servers count with their zeros";
  Report(findings, {{20, 0}, {20, 0}, {20, 0}, {20, 0}, {20, 0}, {20, 0}});
  EXPECT_EQ(findings.IsAllDelayOK(), 1);
  EXPECT_EQ(findings.IsAllLostOK(), 1);
  EXPECT_EQ(findings.GetPassCount(), 6);
  // Exactly on the limits (35 ms, 1 %) is within them.
  Report(findings, {{35, 1}, {35, 1}, {35, 1}, {35, 1}, {35, 1}, {35, 1}});
  EXPECT_EQ(findings.IsAllDelayOK(), 1);
  EXPECT_EQ(findings.IsAllLostOK(), 1);
  EXPECT_EQ(findings.GetPassCount(), 6);

  Report(findings, {{35, 1}, {36, 0}, {20, 2}, {0, 100}, {2000, 100}, {20, 0}});
  EXPECT_EQ(findings.IsAllDelayOK(), 0);
  EXPECT_EQ(findings.IsAllLostOK(), 0);
  EXPECT_EQ(findings.GetPassCount(), 2);
}

TEST(ServerNetFindings, BestServerHasTheLowestLossThenDelay) {
  CServerNetFindings findings(DefaultMediaServerSlots(), ServerNetLimits());
  Report(findings, {{30, 0}, {30, 0}, {1, 5}, {0, 100}, {0, 100}, {0, 100}});
  EXPECT_EQ(findings.GetBestServer(), &findings.GetServerNetInfo()[1]) << "equal delay: the later wins";

  Report(findings, {{0, 100}, {0, 100}, {0, 100}, {0, 100}, {0, 100}, {0, 100}});
  EXPECT_EQ(findings.GetBestServer(), &findings.GetServerNetInfo()[5]);

  Report(findings, {{2001, 0}, {2500, 0}, {10, 3}, {10, 3}, {10, 3}, {10, 3}});
  EXPECT_EQ(findings.GetBestServer(), nullptr) << "every server with the lowest loss is too slow";
}
