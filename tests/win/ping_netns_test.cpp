// The echo engine, ping units and the media-server check against answers of
// known delay and loss. Runs through tests/fixtures/netns_wine.sh: in a
// private network namespace where echo_responder.py answers the addresses
// of KALTO_ECHO_TARGETS ("address:delay_ms:loss_percent,...", the delay
// possibly two that alternate, "10/50") and nothing
// else answers at all, and where the name server never answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "ping/ping_unit.h"
#include "ping_test_support.h"
#include "probes/net/server_net_handler.h"

namespace {

constexpr DWORD kSeriesTimeoutMs = 120000;
constexpr int kTimes = 20;
// How far a mean of kTimes echoes may sit from its configured delay. On a
// busy two-core machine one late answer of ~30 ms moves a mean by 1.5 ms.
constexpr double kMeanToleranceMs = 2.5;
// The media-server check keeps whole milliseconds of the raw mean, the
// fixture's turnaround and scheduling jitter included, so it is only held
// to the band [configured, configured + this]. No check target lies within
// this band below the delay limit, so the verdicts do not hinge on jitter.
constexpr int kCheckJitterMs = 12;
const char kSilentAddress[] = "127.0.0.99";
const char kStalledName[] = "media.kalto.test";  // its lookup hangs for 8 s
// Bounds on how long a stop may take. A stop that only has to be noticed
// ends within a wait slice; one that gives up on a thread waits 2000 ms.
// Both bounds leave a busy machine more than a second of slack.
constexpr ULONGLONG kNoticedStopMs = 1500;
constexpr ULONGLONG kAbandoningStopMs = CPingUnit::kStopWaitMs + 1500;

struct EchoTarget {
  std::string address;
  int delayMs;
  int otherDelayMs;  // the delay every second request takes; delayMs when it does not alternate
  int lossPercent;
  // Echoes the responder drops of the first `count` to this address.
  int DropsOf(int count) const { return count * lossPercent / 100; }
};

std::vector<EchoTarget> Targets() {
  std::vector<EchoTarget> targets;
  const char* text = std::getenv("KALTO_ECHO_TARGETS");
  std::istringstream list(text ? text : "");
  std::string item;
  while (std::getline(list, item, ',')) {
    EchoTarget target;
    std::istringstream fields(item);
    std::string delay, loss;
    std::getline(fields, target.address, ':');
    std::getline(fields, delay, ':');
    std::getline(fields, loss);
    target.delayMs = std::stoi(delay);
    const size_t slash = delay.find('/');
    target.otherDelayMs = slash == std::string::npos ? target.delayMs : std::stoi(delay.substr(slash + 1));
    target.lossPercent = std::stoi(loss);
    targets.push_back(target);
  }
  return targets;
}

// The first six targets are for the units, the next six for the check,
// the 13th answers later than an echo waits, the 14th alternates its delay,
// the last two answer alike.
std::vector<EchoTarget> TargetGroup(size_t group) {
  const std::vector<EchoTarget> all = Targets();
  if (all.size() < 6 * (group + 1)) return {};
  return std::vector<EchoTarget>(all.begin() + 6 * group, all.begin() + 6 * (group + 1));
}

// Runs DoDetect of `handler` on a worker while this thread pumps; true when
// it returned before `timeoutMs`. `during` runs on this thread meanwhile.
bool DetectWhilePumping(CServerNetHandler& handler, DWORD timeoutMs, const std::function<void()>& during = {}) {
  std::atomic<bool> detected{false};
  std::thread worker([&] {
    handler.DoDetect();
    detected = true;
  });
  if (during) during();
  const bool done = PumpUntil([&] { return detected.load(); }, timeoutMs);
  if (!done) handler.Stop();
  worker.join();
  return done;
}

}  // namespace

class PingNetns : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Targets().size(), 16u) << "run through tests/fixtures/netns_wine.sh"; }
  WinsockSession winsock;
};

TEST_F(PingNetns, SeveralUnitsMeasureDelayAndLoss) {
  RecordingSink sink;
  std::vector<std::unique_ptr<CPingUnit>> units;
  for (const EchoTarget& target : TargetGroup(0)) {
    units.push_back(std::make_unique<CPingUnit>(&sink, target.address, kTimes));
    ASSERT_EQ(units.back()->Start(), 1);
  }
  ASSERT_TRUE(sink.WaitForReports(units.size(), kSeriesTimeoutMs));
  // The fixture's own turnaround (Wine's socket path, the responder) is what
  // the undelayed address measures; every delay is judged on top of it.
  double overhead = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    if (TargetGroup(0)[i].delayMs == 0) overhead = units[i]->GetAvgDelay();
  }
  std::printf("fixture turnaround %.3f ms\n", overhead);
  for (size_t i = 0; i < units.size(); ++i) {
    const EchoTarget target = TargetGroup(0)[i];
    const CEchoSeries& series = units[i]->GetSeries();
    SCOPED_TRACE(target.address);
    EXPECT_EQ(series.GetPingCount(), kTimes);
    EXPECT_EQ(series.GetFailCount(), target.DropsOf(series.GetPingCount()));
    EXPECT_NEAR(units[i]->GetAvgDelay() - overhead, target.delayMs, kMeanToleranceMs);
    std::printf("%s: configured %d ms / %d %%, measured %.3f ms / %.3f\n", target.address.c_str(), target.delayMs,
                target.lossPercent, units[i]->GetAvgDelay(), units[i]->GetLossRate());
  }
}

TEST_F(PingNetns, ServerCheckJudgesDelayAndLoss) {
  std::vector<std::string> hosts;
  for (const EchoTarget& target : TargetGroup(1)) hosts.push_back(target.address);
  ServeServerSettings(kTimes);
  TestServerSource source(hosts);
  CServerNetHandler handler;
  ASSERT_EQ(handler.PreStart(), 1);
  ASSERT_TRUE(DetectWhilePumping(handler, kSeriesTimeoutMs));
  ASSERT_TRUE(handler.IsFinish());
  int pass = 0;
  for (const EchoTarget& target : TargetGroup(1)) {
    SCOPED_TRACE(target.address);
    const ServerNetInfo* server = nullptr;
    for (const ServerNetInfo& info : handler.GetServerNetInfo()) {
      if (info.strUrl == target.address) server = &info;
    }
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->bFinish, 1);
    EXPECT_EQ(server->nLost, target.DropsOf(kTimes) * 100 / kTimes);
    EXPECT_GE(server->nDelay, target.delayMs);
    EXPECT_LE(server->nDelay, target.delayMs + kCheckJitterMs);
    if (target.lossPercent <= handler.GetLostLimit() && target.delayMs < handler.GetDelayLimit()) ++pass;
  }
  ASSERT_EQ(pass, 2) << "the targets were chosen for two passes";
  EXPECT_EQ(handler.GetPassCount(), pass);
}

TEST_F(PingNetns, SilentAddressEndsAfterFiveAttempts) {
  for (const EchoTarget& target : Targets()) ASSERT_NE(target.address, kSilentAddress);
  RecordingSink sink;
  CPingUnit unit(&sink, kSilentAddress, 100);
  const ULONGLONG start = GetTickCount64();
  ASSERT_EQ(unit.Start(), 1);
  ASSERT_TRUE(sink.WaitForReports(1, kSeriesTimeoutMs));
  // Five waits of 2000 ms and four pauses of 500 ms.
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_GE(took, 5 * 2000u);
  EXPECT_LT(took, 5 * 2000u + 4 * 500u + 5000u);
  EXPECT_EQ(unit.GetSeries().GetPingCount(), 5);
  EXPECT_EQ(unit.GetLossRate(), 1.0);
  EXPECT_EQ(unit.GetAvgDelay(), 0.0);
}

TEST_F(PingNetns, StopDuringAWaitEndsWithoutReport) {
  RecordingSink sink;
  CPingUnit unit(&sink, kSilentAddress, 100);
  ASSERT_EQ(unit.Start(), 1);
  PumpFor(700);  // inside the first 2000 ms wait for an answer
  const ULONGLONG start = GetTickCount64();
  unit.Stop();
  EXPECT_LT(GetTickCount64() - start, kNoticedStopMs);
  EXPECT_EQ(unit.GetThreadHandle(), nullptr);
  PumpFor(300);
  EXPECT_TRUE(sink.Reports().empty()) << "a stopped series is not reported";
}

TEST_F(PingNetns, StopOfAStalledSeriesReportsOnce) {
  // The thread is stuck in the name lookup past the stop's 2000 ms: the
  // stopper reports in its place, and the thread, when the lookup gives
  // up, must neither report again nor touch the unit, which is gone.
  RecordingSink sink;
  auto unit = std::make_unique<CPingUnit>(&sink, kStalledName, 100);
  ASSERT_EQ(unit->Start(), 1);
  PumpFor(300);
  const ULONGLONG start = GetTickCount64();
  unit->Stop();
  EXPECT_LT(GetTickCount64() - start, kAbandoningStopMs);
  ASSERT_EQ(sink.Reports().size(), 1u);
  EXPECT_EQ(sink.Reports()[0], unit.get());
  EXPECT_EQ(unit->GetSeries().GetPingCount(), 0);
  unit.reset();
  PumpFor(8000);  // the lookup gives up meanwhile
  EXPECT_EQ(sink.Reports().size(), 1u);
}

TEST_F(PingNetns, CancelReleasesTheServerCheck) {
  ServeServerSettings(100);
  TestServerSource source(std::vector<std::string>(MEDIA_SERVER_SLOTS, kSilentAddress));
  CServerNetHandler handler;
  ASSERT_EQ(handler.PreStart(), 1);
  ASSERT_TRUE(DetectWhilePumping(handler, kSeriesTimeoutMs, [&] {
    PumpFor(700);
    handler.Stop();
  }));
  EXPECT_FALSE(handler.IsFinish());
  for (const ServerNetInfo& server : handler.GetServerNetInfo()) EXPECT_EQ(server.bFinish, 0);
}

TEST_F(PingNetns, CancelWhileEveryServerIsLookedUpTakesOneWait) {
  // Six series stuck in their name lookups: the check gives them one stop
  // wait together, not one each, and reports every server in their place.
  ServeServerSettings(100);
  TestServerSource source(std::vector<std::string>(MEDIA_SERVER_SLOTS, kStalledName));
  CServerNetHandler handler;
  ASSERT_EQ(handler.PreStart(), 1);
  ULONGLONG took = 0;
  ASSERT_TRUE(DetectWhilePumping(handler, kSeriesTimeoutMs, [&] {
    PumpFor(300);
    const ULONGLONG start = GetTickCount64();
    handler.Stop();
    took = GetTickCount64() - start;
  }));
  EXPECT_LT(took, kAbandoningStopMs);
  for (const ServerNetInfo& server : handler.GetServerNetInfo()) EXPECT_EQ(server.bFinish, 1) << server.strUrl;
  PumpFor(8000);  // the abandoned lookups give up meanwhile, against units that are gone
}

TEST_F(PingNetns, AnAnswerLaterThanTheWaitCountsAsLost) {
  // The answer to each request arrives 500 ms after the wait for it ended,
  // during the wait for the next one, which must not take it for its own.
  const EchoTarget late = Targets()[12];
  ASSERT_GT(late.delayMs, 2000);
  RecordingSink sink;
  CPingUnit unit(&sink, late.address, 3);
  ASSERT_EQ(unit.Start(), 1);
  ASSERT_TRUE(sink.WaitForReports(1, kSeriesTimeoutMs));
  EXPECT_EQ(unit.GetSeries().GetPingCount(), 3);
  EXPECT_EQ(unit.GetSeries().GetFailCount(), 3);
  EXPECT_TRUE(unit.GetSeries().GetResults().empty());
  EXPECT_EQ(unit.GetLossRate(), 1.0);
  EXPECT_EQ(unit.GetAvgDelay(), 0.0);
}

TEST_F(PingNetns, JitterOfAnAlternatingDelayIsTheirDifference) {
  // The responder answers the requests to this address with its two delays
  // in turn. The fixture's turnaround falls on both, so the jitter is their
  // difference, unless the machine's load held up single answers: a series
  // with an answer more than kHiccupMs off the median of its delay is
  // measured again, three series at most.
  const EchoTarget alternating = Targets()[13];
  const int difference = std::abs(alternating.otherDelayMs - alternating.delayMs);
  ASSERT_GT(difference, 0);
  constexpr int kEchoes = 20;
  constexpr int kHiccupMs = 5;
  bool quiet = false;
  for (int attempt = 0; attempt < 3 && !quiet; ++attempt) {
    RecordingSink sink;
    CPingUnit unit(&sink, alternating.address, kEchoes);
    ASSERT_EQ(unit.Start(), 1);
    ASSERT_TRUE(sink.WaitForReports(1, kSeriesTimeoutMs));
    const std::vector<EchoResult>& results = unit.GetSeries().GetResults();
    ASSERT_EQ(results.size(), static_cast<size_t>(kEchoes));
    std::vector<int> delays[2];
    for (size_t i = 0; i < results.size(); ++i) delays[i % 2].push_back(results[i].rttMs);
    quiet = true;
    for (std::vector<int>& same : delays) {
      std::vector<int> sorted = same;
      std::sort(sorted.begin(), sorted.end());
      const int median = sorted[sorted.size() / 2];
      for (int rtt : same) quiet = quiet && std::abs(rtt - median) <= kHiccupMs;
    }
    const double jitter = unit.GetSeries().Jitter();
    std::printf("series %d: jitter %.3f ms (configured difference %d ms)%s\n", attempt + 1, jitter, difference,
                quiet ? "" : ", held up by the machine's load");
    if (quiet) {
      EXPECT_NEAR(jitter, difference, 1.0);
    }
  }
  EXPECT_TRUE(quiet) << "every series was held up by the machine's load";
}

TEST_F(PingNetns, TheIcmpHelperMeasuresAsTheRawSocketDoes) {
  // A standard user's series, its raw socket refused, goes through the ICMP
  // helper; an administrator's runs beside it against the same settings.
  const EchoTarget helper = Targets()[14], raw = Targets()[15];
  ASSERT_EQ(helper.delayMs, raw.delayMs);
  ASSERT_EQ(helper.lossPercent, raw.lossPercent);
  ASSERT_GT(helper.lossPercent, 0);
  RefusedEchoSocket refused(helper.address.c_str(), WSAEACCES);
  RecordingSink sink;
  CPingUnit helperUnit(&sink, helper.address, kTimes), rawUnit(&sink, raw.address, kTimes);
  ASSERT_EQ(helperUnit.Start(), 1);
  ASSERT_EQ(rawUnit.Start(), 1);
  ASSERT_TRUE(sink.WaitForReports(2, kSeriesTimeoutMs));
  for (const CPingUnit* unit : {&helperUnit, &rawUnit}) {
    SCOPED_TRACE(unit->GetAddr());
    EXPECT_EQ(unit->GetSeries().GetPingCount(), kTimes);
    EXPECT_EQ(unit->GetSeries().GetFailCount(), helper.DropsOf(kTimes));
  }
  std::printf("mean through the helper %.3f ms, through the raw socket %.3f ms\n", helperUnit.GetAvgDelay(),
              rawUnit.GetAvgDelay());
  // The helper times the echo where it is sent and received, the raw
  // engine in this process, which sees the answer later when this process
  // is slow (several milliseconds under an emulated 32-bit loader): so the
  // helper's mean is held between the responder's delay and the raw one's.
  EXPECT_GE(helperUnit.GetAvgDelay(), helper.delayMs);
  EXPECT_LE(helperUnit.GetAvgDelay(), rawUnit.GetAvgDelay() + 1.0);

  // A stop during the helper's wait ends the series at once, unreported.
  RefusedEchoSocket silent(kSilentAddress, WSAEACCES);
  RecordingSink stopSink;
  CPingUnit waiting(&stopSink, kSilentAddress, 100);
  ASSERT_EQ(waiting.Start(), 1);
  PumpFor(700);
  const ULONGLONG start = GetTickCount64();
  waiting.Stop();
  EXPECT_LT(GetTickCount64() - start, kNoticedStopMs);
  PumpFor(300);
  EXPECT_TRUE(stopSink.Reports().empty());
}
