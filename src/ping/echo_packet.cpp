#include "ping/echo_packet.h"

#include <cstring>

namespace {

constexpr size_t kMinIpHeader = 20;
constexpr size_t kTtlOffset = 8;

// Fields of the echo message, by offset.
constexpr size_t kTypeOffset = 0;
constexpr size_t kChecksumOffset = 2;
constexpr size_t kIdOffset = 4;
constexpr size_t kSeqOffset = 6;
constexpr size_t kStampOffset = 8;

uint16_t ReadHost16(const uint8_t* at) {
  uint16_t value;
  std::memcpy(&value, at, sizeof(value));
  return value;
}

template <typename T>
void WriteHost(uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof(value));
}

}  // namespace

uint16_t InternetChecksum(const uint8_t* data, size_t length) {
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + 1 < length; i += 2) sum += ReadHost16(data + i);
  if (i < length) {
    uint8_t last[2] = {data[i], 0};
    sum += ReadHost16(last);
  }
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum += sum >> 16;
  return static_cast<uint16_t>(~sum);
}

void BuildEchoRequest(uint8_t (&packet)[kEchoRequestSize], uint16_t id, uint16_t seq, uint32_t stampMs) {
  std::memset(packet, 0, sizeof(packet));
  packet[kTypeOffset] = kIcmpEchoRequest;
  WriteHost(packet + kIdOffset, id);
  WriteHost(packet + kSeqOffset, seq);
  WriteHost(packet + kStampOffset, stampMs);
  WriteHost(packet + kChecksumOffset, InternetChecksum(packet, sizeof(packet)));
}

bool ParseEchoReply(const uint8_t* datagram, size_t length, const EchoExpectation& expected, uint32_t receivedMs,
                    EchoResult* out) {
  if (!datagram || length < kMinIpHeader) return false;
  const uint8_t version = datagram[0] >> 4;
  const size_t headerLength = static_cast<size_t>(datagram[0] & 0x0F) * 4;
  if (version != 4 || headerLength < kMinIpHeader || length < headerLength + kEchoHeaderSize) return false;
  const uint8_t* icmp = datagram + headerLength;
  if (icmp[kTypeOffset] != kIcmpEchoReply || ReadHost16(icmp + kIdOffset) != expected.id ||
      ReadHost16(icmp + kSeqOffset) != expected.seq) {
    return false;
  }
  if (out) {
    out->seq = ReadHost16(icmp + kSeqOffset);  // from the reply itself, so a wrong match shows
    out->rttMs = static_cast<int32_t>(receivedMs - expected.sentMs);
    out->bytes = static_cast<int32_t>(length - headerLength - kEchoHeaderSize);
    out->ttl = datagram[kTtlOffset];
  }
  return true;
}
