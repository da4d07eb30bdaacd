// The public-address check against the web stand-in, which answers under the
// service's built-in host name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "corekit/log.h"
#include "probes/net/ip_site_handler.h"
#include "web_test_support.h"

using namespace std::chrono_literals;

namespace {

const char kPath[] = "/orvane/api/v1/trueip";

class IPSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (WebStandinAddress().empty()) GTEST_SKIP() << "needs the web stand-in (tests/fixtures/netns_wine.sh)";
    ASSERT_EQ(WebControl("reset"), "ok");
  }
  void TearDown() override { WebControl("listen?on=1"); }

  void Answer(const std::string& mode, const std::string& arg) {
    ASSERT_EQ(WebControl("set?path=" + std::string(kPath) + "&mode=" + mode + "&arg=" + arg), "ok");
  }

  // Runs DoDetect on another thread, as the detection worker does; its duration.
  static Clock::duration Detect(CIPSiteHandler& handler) {
    const auto start = Clock::now();
    int rv = 0;
    std::thread worker([&] { rv = handler.DoDetect(); });
    worker.join();
    EXPECT_EQ(rv, 1);
    return Clock::now() - start;
  }

  struct State {
    int ret = -1, known = -1, has = -1;
  };
  static State Query(CIPSiteHandler& handler) {
    State s;
    s.ret = CIPSiteHandler::QueryAddressState(&handler, s.known, s.has);
    return s;
  }
};

// The number of lines of this process's log that hold `text`.
size_t LogLinesWith(const std::string& text) {
  std::ifstream in(std::filesystem::u8path(CLogWrapper::Instance()->GetFilePath()), std::ios::binary);
  size_t count = 0;
  for (std::string line; std::getline(in, line);) count += line.find(text) != std::string::npos ? 1 : 0;
  return count;
}

long long Ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

}  // namespace

TEST_F(IPSiteTest, TelecomAnswerGivesAddressAndKnownCarrier) {
  CIPSiteHandler handler;
  ASSERT_EQ(handler.PreStart(), 1);
  const auto took = Detect(handler);
  std::printf("public-address item: %lld ms from PreStart to the end of DoDetect\n", Ms(took));
  EXPECT_LT(took, 10s);
  EXPECT_EQ(handler.m_strClientIp, L"203.0.113.7");
  ASSERT_EQ(handler.m_vecRegion.size(), 4u);
  EXPECT_EQ(handler.m_vecRegion.back(), L"\u7535\u4FE1");
  const State s = Query(handler);
  EXPECT_EQ(s.ret, 1);
  EXPECT_EQ(s.has, 1);
  EXPECT_EQ(s.known, 1);
  EXPECT_EQ(handler.DoDetect(), 1);  // on the constructing thread: returns at once
}

TEST_F(IPSiteTest, OtherCarrierMissingBlockAndBadAnswersAreJudgedFromTheFindings) {
  struct Case {
    std::string mode, arg;
    int has, known;
  } cases[] = {
      {"body", "othercarrier", 1, 0}, {"body", "nodatablock", 0, 0}, {"body", "notjson", 0, 0},
      {"body", "wrongtypes", 0, 0},   {"body", "badutf8", 1, 0},     {"status", "404", 0, 0},
      {"status", "500", 0, 0},        {"chunked", "", 1, 1},
  };
  for (const Case& c : cases) {
    Answer(c.mode, c.arg);
    CIPSiteHandler handler;
    ASSERT_EQ(handler.PreStart(), 1);
    EXPECT_LT(Detect(handler), 10s) << c.mode << " " << c.arg;
    const State s = Query(handler);
    EXPECT_EQ(s.has, c.has) << c.mode << " " << c.arg;
    EXPECT_EQ(s.known, c.known) << c.mode << " " << c.arg;
  }
}

TEST_F(IPSiteTest, UnreachableServiceEndsAfterTheRetriesWellBefore20Seconds) {
  ASSERT_EQ(WebControl("listen?on=0"), "ok");
  CIPSiteHandler handler;
  ASSERT_EQ(handler.PreStart(), 1);
  const auto took = Detect(handler);
  EXPECT_GE(took, 4s);
  EXPECT_LT(took, 15s);
  EXPECT_EQ(Query(handler).has, 0);
}

TEST_F(IPSiteTest, DoDetectAfterTheAnswerReturnsAtOnce) {
  CIPSiteHandler handler;
  ASSERT_EQ(handler.PreStart(), 1);
  for (int i = 0; i < 100 && WebHits(kPath) == 0; ++i) std::this_thread::sleep_for(50ms);
  std::this_thread::sleep_for(1s);
  EXPECT_LT(Detect(handler), 500ms);
  EXPECT_EQ(Query(handler).has, 1);
}

TEST_F(IPSiteTest, LateAnswerAfterTwentySecondsChangesNothing) {
  // Headers at once, the body a byte at a time until 23 s: no pause reaches
  // the receive limit, so the answer does arrive, after the wait gave up.
  Answer("trickle", "23");
  const size_t ignoredBefore = LogLinesWith("late answer ignored");
  CIPSiteHandler handler;
  ASSERT_EQ(handler.PreStart(), 1);
  const auto took = Detect(handler);
  EXPECT_GE(took, 19500ms);
  EXPECT_LT(took, 23s);
  EXPECT_EQ(Query(handler).has, 0);
  for (int i = 0; i < 100 && LogLinesWith("late answer ignored") == ignoredBefore; ++i) std::this_thread::sleep_for(100ms);
  EXPECT_EQ(LogLinesWith("late answer ignored"), ignoredBefore + 1) << "the answer came and was refused";
  EXPECT_TRUE(handler.m_strClientIp.empty());
  EXPECT_TRUE(handler.m_vecRegion.empty());
}

TEST_F(IPSiteTest, StopWakesDoDetectAndNothingFollows) {
  Answer("delay", "3");
  {
    CIPSiteHandler handler;
    ASSERT_EQ(handler.PreStart(), 1);
    std::thread stopper([&] {
      std::this_thread::sleep_for(500ms);
      handler.Stop();
    });
    EXPECT_LT(Detect(handler), 3s);
    stopper.join();
    EXPECT_FALSE(handler.IsFinish()) << "cut short, not ended";
    EXPECT_EQ(handler.PreStart(), 0);  // no request any more
  }
  std::this_thread::sleep_for(4s);  // the answer arrives for nobody
}
