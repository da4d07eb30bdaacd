// Feeds arbitrary datagrams to the echo reply check, as a raw ICMP socket
// may deliver anything the host receives. The expected identifier and
// sequence are fixed; the fuzzer's comparison tracing finds them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ping/echo_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EchoResult result = {};
  if (ParseEchoReply(data, size, EchoExpectation{0x4B41, 0x0107, 1000}, 1234, &result)) {
    // An accepted reply describes only bytes that were there.
    if (result.bytes < 0 || static_cast<size_t>(result.bytes) + kEchoHeaderSize + 20 > size) std::abort();
    if (result.seq != 0x0107 || result.rttMs != 234 || result.ttl < 0 || result.ttl > 255) std::abort();
  }
  return 0;
}
