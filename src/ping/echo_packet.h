// The ICMP echo request the engine sends and the check of what comes back.
// Multi-byte fields are kept in the host's byte order: the peer returns the
// bytes unchanged, so a reply is matched on the stored form. The Internet
// checksum does not depend on the byte order it is summed in, so the request
// is still valid on the wire.
#pragma once

#include <cstddef>
#include <cstdint>

// Type, code, checksum, identifier, sequence, time stamp, 32 zero bytes.
constexpr size_t kEchoRequestSize = 44;
// The part of an echo message a reply must carry: everything up to and
// including the time stamp.
constexpr size_t kEchoHeaderSize = 12;
constexpr uint8_t kIcmpEchoRequest = 8;
constexpr uint8_t kIcmpEchoReply = 0;

// One answered echo.
struct EchoResult {
  uint32_t seq;    // sequence number of the answered request (upper half 0)
  int32_t rttMs;   // round trip in ms
  int32_t bytes;   // data bytes returned (32 for a full answer)
  int32_t ttl;     // time-to-live of the answer's IP header
};

// RFC 1071: the ones' complement of the ones' complement sum of the 16-bit
// words of `data`, read in host order; an odd last byte is padded with zero.
uint16_t InternetChecksum(const uint8_t* data, size_t length);

// Fills `packet` with an echo request carrying `id`, `seq` and the time
// stamp `stampMs`, checksum last.
void BuildEchoRequest(uint8_t (&packet)[kEchoRequestSize], uint16_t id, uint16_t seq, uint32_t stampMs);

// What a reply must match: the request that was sent and when.
struct EchoExpectation {
  uint16_t id;
  uint16_t seq;
  uint32_t sentMs;
};

// Checks one received datagram (IPv4 header, then the ICMP message) against
// the request in flight. Only the `length` bytes received are read: a
// datagram shorter than its stated header plus the echo header, or with a
// header length that is not IPv4's, is refused. An echo reply with the
// expected identifier and sequence is accepted and described in `out`; the
// round trip runs from the send time the caller holds, not from the time
// stamp the reply carries back, so a corrupted reply cannot give a negative
// or huge round trip.
bool ParseEchoReply(const uint8_t* datagram, size_t length, const EchoExpectation& expected, uint32_t receivedMs,
                    EchoResult* out);
