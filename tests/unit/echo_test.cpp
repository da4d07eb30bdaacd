// The echo request on the wire, the check of replies, sequence numbers and
// the bookkeeping of a series.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ping/echo_packet.h"
#include "ping/echo_sequence.h"
#include "ping/echo_series.h"

namespace {

std::vector<uint8_t> Bytes(uint16_t value) {
  std::vector<uint8_t> bytes(2);
  std::memcpy(bytes.data(), &value, 2);
  return bytes;
}

// A reply as the raw socket delivers it: IPv4 header (with `options` extra
// bytes), then the echo message of a request with type `type`.
std::vector<uint8_t> MakeDatagram(uint16_t id, uint16_t seq, uint8_t type = kIcmpEchoReply, size_t options = 0) {
  std::vector<uint8_t> datagram(20 + options, 0);
  datagram[0] = static_cast<uint8_t>(0x40 | ((20 + options) / 4));
  datagram[8] = 64;  // TTL
  datagram[9] = 1;   // ICMP
  uint8_t request[kEchoRequestSize];
  BuildEchoRequest(request, id, seq, 0xCAFE);
  request[0] = type;
  datagram.insert(datagram.end(), request, request + sizeof(request));
  return datagram;
}

bool Accepts(const std::vector<uint8_t>& datagram, size_t length, EchoResult* out = nullptr) {
  return ParseEchoReply(datagram.data(), length, EchoExpectation{0x1234, 7, 1000}, 1020, out);
}

}  // namespace

TEST(EchoRequest, MatchesTheKnownBytes) {
  uint8_t packet[kEchoRequestSize];
  BuildEchoRequest(packet, 0x1234, 1, 0x01020304);
  std::vector<uint8_t> expected = {8, 0, 0xBC, 0xE9, 0x34, 0x12, 0x01, 0x00, 0x04, 0x03, 0x02, 0x01};
  expected.resize(kEchoRequestSize, 0);
  EXPECT_EQ(std::vector<uint8_t>(packet, packet + sizeof(packet)), expected);
  EXPECT_EQ(InternetChecksum(packet, sizeof(packet)), 0) << "a valid message sums to zero";
}

TEST(EchoRequest, ChecksumFoldsTheCarries) {
  uint8_t packet[kEchoRequestSize];
  BuildEchoRequest(packet, 0xFFFF, 0xFFFF, 0xFFFFFFFF);
  EXPECT_EQ(packet[2], 0xF7);
  EXPECT_EQ(packet[3], 0xFF);
  EXPECT_EQ(InternetChecksum(packet, sizeof(packet)), 0);
}

TEST(EchoRequest, ChecksumOfTheRfc1071Example) {
  const uint8_t even[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
  EXPECT_EQ(Bytes(InternetChecksum(even, sizeof(even))), (std::vector<uint8_t>{0x22, 0x0D}));
  const uint8_t odd[] = {0x00, 0x01, 0xF2};
  EXPECT_EQ(Bytes(InternetChecksum(odd, sizeof(odd))), (std::vector<uint8_t>{0x0D, 0xFE}));
}

TEST(EchoReply, AcceptsTheAnswerToTheRequestInFlight) {
  EchoResult result = {};
  const std::vector<uint8_t> datagram = MakeDatagram(0x1234, 7);
  ASSERT_TRUE(Accepts(datagram, datagram.size(), &result));
  EXPECT_EQ(result.seq, 7u);
  EXPECT_EQ(result.rttMs, 20);
  EXPECT_EQ(result.bytes, 32);
  EXPECT_EQ(result.ttl, 64);

  // IP options move the echo message; a cut data part still answers.
  const std::vector<uint8_t> withOptions = MakeDatagram(0x1234, 7, kIcmpEchoReply, 8);
  ASSERT_TRUE(Accepts(withOptions, withOptions.size() - 30, &result));
  EXPECT_EQ(result.bytes, 2);
}

TEST(EchoReply, RoundTripSpansTheClockWrap) {
  EchoResult result = {};
  const std::vector<uint8_t> datagram = MakeDatagram(0x1234, 7);
  ASSERT_TRUE(ParseEchoReply(datagram.data(), datagram.size(), EchoExpectation{0x1234, 7, 0xFFFFFFF0u}, 0x10, &result));
  EXPECT_EQ(result.rttMs, 32);
}

TEST(EchoReply, RefusesWhatIsNotThisAnswer) {
  EXPECT_FALSE(Accepts(MakeDatagram(0x1235, 7), 64)) << "other process";
  EXPECT_FALSE(Accepts(MakeDatagram(0x1234, 8), 64)) << "other series";
  EXPECT_FALSE(Accepts(MakeDatagram(0x1234, 7, kIcmpEchoRequest), 64)) << "own request seen on loopback";
  EXPECT_FALSE(Accepts(MakeDatagram(0x1234, 7, 3), 64)) << "destination unreachable";
}

TEST(EchoReply, ReadsOnlyTheBytesReceived) {
  const std::vector<uint8_t> datagram = MakeDatagram(0x1234, 7);
  EXPECT_TRUE(Accepts(datagram, 20 + kEchoHeaderSize));
  EXPECT_FALSE(Accepts(datagram, 20 + kEchoHeaderSize - 1)) << "cut inside the echo header";
  EXPECT_FALSE(Accepts(datagram, 19)) << "cut inside the IP header";
  EXPECT_FALSE(ParseEchoReply(nullptr, 0, EchoExpectation{0x1234, 7, 0}, 0, nullptr));

  std::vector<uint8_t> oversized = datagram;
  oversized[0] = 0x4F;  // 60-byte header in a 64-byte datagram
  EXPECT_FALSE(Accepts(oversized, oversized.size()));
  std::vector<uint8_t> undersized = datagram;
  undersized[0] = 0x44;  // 16 bytes: shorter than any IPv4 header
  EXPECT_FALSE(Accepts(undersized, undersized.size()));
  std::vector<uint8_t> version6 = datagram;
  version6[0] = 0x65;
  EXPECT_FALSE(Accepts(version6, version6.size()));
}

TEST(EchoSequence, StartsAtOneAndWrapsToZero) {
  CEchoSequence fresh;
  EXPECT_EQ(fresh.Next(), 1);
  EXPECT_EQ(fresh.Next(), 2);
  CEchoSequence last(65534);
  EXPECT_EQ(last.Next(), 65535);
  EXPECT_EQ(last.Next(), 0);
  EXPECT_EQ(last.Next(), 1);
}

TEST(EchoSeries, AnsweredSeriesRunsItsCount) {
  CEchoSeries series(3, 5);
  for (int32_t rtt : {10, 11, 13}) {
    EXPECT_FALSE(series.IsOver());
    series.AddAnswer(EchoResult{0, rtt, 32, 64});
  }
  EXPECT_TRUE(series.IsOver());
  EXPECT_EQ(series.GetPingCount(), 3);
  EXPECT_DOUBLE_EQ(series.LossRate(), 0.0);
  EXPECT_DOUBLE_EQ(series.AvgDelay(), 34.0 / 3);
}

TEST(EchoSeries, FiveFailuresInARowEndIt) {
  CEchoSeries silent(100, 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(silent.IsOver());
    silent.AddFailure();
  }
  EXPECT_TRUE(silent.IsOver());
  EXPECT_DOUBLE_EQ(silent.LossRate(), 1.0);
  EXPECT_DOUBLE_EQ(silent.AvgDelay(), 0.0);

  // An answer restarts the count of failures in a row.
  CEchoSeries flaky(100, 5);
  for (int i = 0; i < 4; ++i) flaky.AddFailure();
  flaky.AddAnswer(EchoResult{0, 30, 32, 64});
  for (int i = 0; i < 4; ++i) flaky.AddFailure();
  EXPECT_FALSE(flaky.IsOver());
  flaky.AddFailure();
  EXPECT_TRUE(flaky.IsOver());
  EXPECT_EQ(flaky.GetPingCount(), 10);
  EXPECT_DOUBLE_EQ(flaky.LossRate(), 0.9);
  EXPECT_DOUBLE_EQ(flaky.AvgDelay(), 30.0);
}

TEST(EchoSeries, LossPercentIsExactFromTheCounts) {
  EXPECT_EQ(LossPercent(29, 100), 29);  // 29.0 / 100 * 100.0 is 28.999...
  EXPECT_EQ(LossPercent(1, 40), 2);
  EXPECT_EQ(LossPercent(5, 5), 100);
  EXPECT_EQ(LossPercent(0, 0), 0);
}

TEST(EchoSeries, JitterIsTheMeanStepBetweenConsecutiveAnswers) {
  CEchoSeries series(100, 5);
  EXPECT_DOUBLE_EQ(series.Jitter(), 0.0) << "no answer";
  series.AddAnswer(EchoResult{0, 40, 32, 64});
  EXPECT_DOUBLE_EQ(series.Jitter(), 0.0) << "one answer has no step";
  // 40, 10, 40, 10: three steps of 30.
  for (int32_t rtt : {10, 40, 10}) series.AddAnswer(EchoResult{0, rtt, 32, 64});
  EXPECT_DOUBLE_EQ(series.Jitter(), 30.0);

  // Losses between answers are skipped: 20, (lost), 25, (lost, lost), 15, 15
  // steps 5, 10, 0.
  CEchoSeries lossy(100, 5);
  lossy.AddAnswer(EchoResult{0, 20, 32, 64});
  lossy.AddFailure();
  lossy.AddAnswer(EchoResult{0, 25, 32, 64});
  lossy.AddFailure();
  lossy.AddFailure();
  lossy.AddAnswer(EchoResult{0, 15, 32, 64});
  lossy.AddAnswer(EchoResult{0, 15, 32, 64});
  EXPECT_DOUBLE_EQ(lossy.Jitter(), 5.0);

  // No smoothing and no overflow with the largest round trips.
  CEchoSeries wide(100, 5);
  for (int32_t rtt : {0, INT32_MAX, 0}) wide.AddAnswer(EchoResult{0, rtt, 32, 64});
  EXPECT_DOUBLE_EQ(wide.Jitter(), static_cast<double>(INT32_MAX));
}
