// The echo engine, ping units and the media-server check against loopback
// addresses, which the host's kernel answers. Needs root under Wine (raw
// sockets).
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "ping/ping.h"
#include "ping/ping_clock.h"
#include "ping/ping_unit.h"
#include "ping_test_support.h"
#include "probes/net/server_net_handler.h"

namespace {

constexpr DWORD kSeriesTimeoutMs = 60000;

std::set<uint32_t> Sequences(const CPingUnit& unit) {
  std::set<uint32_t> seqs;
  for (const EchoResult& result : unit.GetSeries().GetResults()) seqs.insert(result.seq);
  return seqs;
}

void ExpectAllAnswered(const CPingUnit& unit, int times) {
  SCOPED_TRACE(unit.GetAddr());
  EXPECT_EQ(unit.GetSeries().GetPingCount(), times);
  EXPECT_EQ(unit.GetSeries().GetResults().size(), static_cast<size_t>(times));
  EXPECT_EQ(unit.GetLossRate(), 0.0);
  EXPECT_EQ(Sequences(unit).size(), static_cast<size_t>(times)) << "one answer per request";
  for (const EchoResult& result : unit.GetSeries().GetResults()) {
    EXPECT_EQ(result.bytes, 32);
    EXPECT_GT(result.ttl, 0);
    EXPECT_GE(result.rttMs, 0);
  }
}

// Runs two series at once, checks that each reported once with every echo
// answered, and gives the sequence numbers each took.
std::pair<std::set<uint32_t>, std::set<uint32_t>> RunTwoSeries(const char* firstHost, const char* secondHost,
                                                               int times) {
  RecordingSink sink;
  CPingUnit first(&sink, firstHost, times);
  CPingUnit second(&sink, secondHost, times);
  EXPECT_EQ(first.Start(), 1);
  EXPECT_EQ(second.Start(), 1);
  EXPECT_TRUE(sink.WaitForReports(2, kSeriesTimeoutMs));
  PumpFor(300);
  EXPECT_EQ(sink.Reports().size(), 2u) << "each unit reports once";
  ExpectAllAnswered(first, times);
  ExpectAllAnswered(second, times);
  return {Sequences(first), Sequences(second)};
}

}  // namespace

class PingLoopback : public ::testing::Test {
 protected:
  WinsockSession winsock;
};

TEST_F(PingLoopback, EngineSendsAndTakesItsAnswer) {
  CPing ping("127.0.0.1");
  ASSERT_EQ(ping.Init(), 1);
  EXPECT_EQ(ping.GetIP(), "127.0.0.1");
  EchoResult result = {};
  ASSERT_EQ(ping.PingCore(inet_addr("127.0.0.1"), &result), 1);
  EXPECT_EQ(result.bytes, 32);
  EXPECT_EQ(ping.PingCore(inet_addr("127.0.0.1"), nullptr), 1) << "without a result it only sends";
  EXPECT_EQ(ping.PingCore(0, &result), 0);

  CPing unresolved("");  // Winsock would take it for this computer
  EXPECT_EQ(unresolved.Init(), 0);
  EXPECT_EQ(unresolved.PingCore(inet_addr("127.0.0.1"), &result), 0) << "not initialised";
}

TEST_F(PingLoopback, SeriesAgainstAnsweringAddresses) {
  RunTwoSeries("127.0.0.1", "127.0.0.2", 4);
}

TEST_F(PingLoopback, TwoUnitsOnOneHostTakeOnlyTheirOwnAnswers) {
  // Both sockets see both requests and both answers, which the kernel sends
  // at once; each unit must take the answer to its own request and nothing
  // else. A result's sequence is read from the answer it took, so a unit
  // that took the other's answer would share a sequence with it.
  const auto seqs = RunTwoSeries("127.0.0.1", "127.0.0.1", 6);
  for (uint32_t seq : seqs.first) EXPECT_EQ(seqs.second.count(seq), 0u) << seq;
  std::set<uint32_t> all = seqs.first;
  all.insert(seqs.second.begin(), seqs.second.end());
  EXPECT_EQ(all.size(), 12u);
}

TEST_F(PingLoopback, AStoppedEngineSendsNothing) {
  // A series stopped while its thread was busy resolving the host must not
  // send the request it was about to send. A raw socket of the test sees
  // every ICMP message of the host, our requests included.
  CPing ping("127.0.0.1");
  ASSERT_EQ(ping.Init(), 1);
  IcmpListener listener;
  ASSERT_TRUE(listener.IsOpen());
  EchoStop stopped;
  stopped.Set();
  EchoResult result = {};
  EXPECT_EQ(ping.PingCore(inet_addr("127.0.0.1"), &result, &stopped), 0);
  EXPECT_EQ(listener.CountOwnRequests(1000), 0);

  // The listener does see a request that is sent.
  const EchoStop running;
  EXPECT_EQ(ping.PingCore(inet_addr("127.0.0.1"), nullptr, &running), 1);
  EXPECT_EQ(listener.CountOwnRequests(1000), 1);
}

TEST_F(PingLoopback, TheEngineIsHandedOnlyItsHostsMessages) {
  // Every raw ICMP socket would see every answer of the computer; the
  // engine's sees only what its host sends. (An address no other test pings.)
  int error = 0;
  const SOCKET second = OpenEchoSocket(inet_addr("127.0.0.77"), &error);
  ASSERT_NE(second, INVALID_SOCKET);
  auto readable = [&](long waitMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(second, &set);
    timeval wait = {0, waitMs * 1000};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
  };
  CPing first("127.0.0.1");
  ASSERT_EQ(first.Init(), 1);
  EchoResult result = {};
  ASSERT_EQ(first.PingCore(inet_addr("127.0.0.1"), &result), 1);
  // The answer has arrived, and with it our request on loopback.
  EXPECT_FALSE(readable(0)) << "a message from 127.0.0.1 reached the socket of 127.0.0.77";
  EXPECT_EQ(first.PingCore(inet_addr("127.0.0.77"), &result), 0) << "not the engine's host";

  CPing own("127.0.0.77");
  ASSERT_EQ(own.Init(), 1);
  ASSERT_EQ(own.PingCore(inet_addr("127.0.0.77"), &result), 1);
  EXPECT_TRUE(readable(500)) << "the answer from 127.0.0.77 did not reach its socket";
  closesocket(second);
}

TEST_F(PingLoopback, ASocketRefusedForWantOfRightsFallsBackToTheIcmpHelper) {
  {
    RefusedEchoSocket refused("127.0.0.1", WSAEACCES);
    CPing ping("127.0.0.1");
    ASSERT_EQ(ping.Init(), 1);
    EXPECT_TRUE(ping.UsesIcmpHelper());
    EchoResult result = {};
    ASSERT_EQ(ping.PingCore(inet_addr("127.0.0.1"), &result), 1);
    EXPECT_EQ(result.bytes, 32);
    EXPECT_GT(result.ttl, 0);
    EXPECT_GE(result.rttMs, 0);
    EchoStop stopped;
    stopped.Set();
    EXPECT_EQ(ping.PingCore(inet_addr("127.0.0.1"), &result, &stopped), 0);
    EXPECT_EQ(ping.PingCore(inet_addr("127.0.0.1"), nullptr), 1) << "without a result it only sends";
  }
  // Any other failure to open the socket fails the attempt, as it always did.
  RefusedEchoSocket failing("127.0.0.1", WSAENETDOWN);
  CPing ping("127.0.0.1");
  EXPECT_EQ(ping.Init(), 0);
  EXPECT_FALSE(ping.UsesIcmpHelper());
  RecordingSink sink;
  CPingUnit unit(&sink, "127.0.0.1", 100);
  ASSERT_EQ(unit.Start(), 1);
  ASSERT_TRUE(sink.WaitForReports(1, kSeriesTimeoutMs));
  EXPECT_EQ(unit.GetSeries().GetPingCount(), 5);
  EXPECT_EQ(unit.GetLossRate(), 1.0);
}

TEST_F(PingLoopback, AStopEndsWaitsAtOnce) {
  // A series sleeps through its waits; the stop must wake them, not be
  // noticed only at the end of the wait.
  WSAEVENT event = WSACreateEvent();
  SOCKET idle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  ASSERT_EQ(WSAEventSelect(idle, event, FD_READ), 0);
  EchoStop stop;
  std::thread stopper([&] {
    Sleep(200);
    stop.Set();
  });
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(WaitForEchoData(idle, event, GetPingClockMs() + 20000, &stop), EchoWait::kStopped);
  EXPECT_LT(GetTickCount64() - start, 10000u);
  stopper.join();
  closesocket(idle);
  WSACloseEvent(event);

  EchoStop sleep;
  EXPECT_FALSE(sleep.WaitFor(50)) << "not set";
  std::thread setter([&] {
    Sleep(200);
    sleep.Set();
  });
  start = GetTickCount64();
  EXPECT_TRUE(sleep.WaitFor(20000));
  EXPECT_LT(GetTickCount64() - start, 10000u);
  setter.join();
}

TEST_F(PingLoopback, AFailingWaitEndsAtOnceInsteadOfSpinning) {
  // A wait on an event that is not there fails every time it is called.
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(WaitForEchoData(INVALID_SOCKET, WSA_INVALID_EVENT, GetPingClockMs() + 2000, nullptr), EchoWait::kFailed);
  EXPECT_LT(GetTickCount64() - start, 1000u) << "retried until the deadline";
  // A wait that works times out at its deadline.
  WSAEVENT event = WSACreateEvent();
  SOCKET idle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  ASSERT_EQ(WSAEventSelect(idle, event, FD_READ), 0);
  EXPECT_EQ(WaitForEchoData(idle, event, GetPingClockMs() + 300, nullptr), EchoWait::kTimedOut);
  closesocket(idle);
  WSACloseEvent(event);
}

TEST_F(PingLoopback, StopWhileTheSeriesReportsDeliversItOnce) {
  // The series ends while this thread does not pump: its thread waits in
  // the report to this thread's window. The stop must let that report
  // through instead of waiting it out, and must not report a second time.
  RecordingSink sink;
  CPingUnit unit(&sink, "127.0.0.1", 1);
  ASSERT_EQ(unit.Start(), 1);
  Sleep(1500);
  const ULONGLONG start = GetTickCount64();
  unit.Stop();
  // Waiting the report out would take the stop's full 2000 ms.
  EXPECT_LT(GetTickCount64() - start, 1500u);
  PumpFor(300);
  ASSERT_EQ(sink.Reports().size(), 1u);
  EXPECT_EQ(unit.GetSeries().GetResults().size(), 1u);
}

TEST_F(PingLoopback, ServerCheckMeasuresEveryServer) {
  ServeServerSettings(3);
  // Two slots with one host: each is filled by its own series.
  TestServerSource source({"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.1", "localhost"});
  CServerNetHandler handler;
  EXPECT_EQ(handler.GetTimes(), 3);
  EXPECT_EQ(handler.DoDetect(), 1) << "on the sink's own thread it does not wait";

  ASSERT_EQ(handler.PreStart(), 1);
  std::atomic<bool> detected{false};
  std::thread worker([&] {
    handler.DoDetect();
    detected = true;
  });
  const bool done = PumpUntil([&] { return detected.load(); }, kSeriesTimeoutMs);
  if (!done) handler.Stop();
  worker.join();
  ASSERT_TRUE(done);
  EXPECT_TRUE(handler.IsFinish());
  for (const ServerNetInfo& server : handler.GetServerNetInfo()) {
    EXPECT_EQ(server.bFinish, 1) << server.strUrl;
    EXPECT_EQ(server.nLost, 0) << server.strUrl;
  }
  EXPECT_EQ(handler.GetPassCount(), 6);
}
