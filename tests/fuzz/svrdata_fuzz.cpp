// Feeds arbitrary texts to the reader of the "svrdata" settings of the
// skin: whatever the text, the limits stay within the bounds a run can work
// with (a loss in percent, a delay a server can reach, at least one echo).
// Each input is read as it is and as the attributes of the settings element,
// so the attribute values get fuzzed too, not only the XML around them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "probes/net/server_net_findings.h"

namespace {

void CheckLimits(const std::string& xml) {
  const ServerNetLimits limits = ParseServerNetLimits(xml);
  if (limits.nLostLimit < 0 || limits.nLostLimit > 100) std::abort();
  if (limits.nDelayLimit < 0 || limits.nDelayLimit > 2000) std::abort();
  if (limits.nTimes < 1 || limits.nTimes > 100000) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckLimits(text);
  CheckLimits("<SvrDetect><ICMP " + text + "/></SvrDetect>");
  return 0;
}
