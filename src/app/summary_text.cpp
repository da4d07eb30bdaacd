#include "app/summary_text.h"

#include <algorithm>
#include <optional>

#include "probes/net/ip_site_findings.h"
#include "probes/net/server_net_findings.h"

namespace {

using skinkit::TextLookup;

// The carrier of the route that measured best, from the server's display
// name, which begins with it ("电信服务器1"), named in the reader's language;
// a name that begins otherwise gives its first two characters. None without
// a best server.
std::optional<std::wstring> BestRouteCarrier(const CServerNetFindings* servers, const TextLookup& text) {
  const ServerNetInfo* best = servers ? servers->GetBestServer() : nullptr;
  if (!best) return std::nullopt;
  const std::wstring carrier = best->strName.substr(0, 2);
  const char* key = CarrierKey(carrier);
  return key ? text(key) : carrier;
}

// The network line and its key; both empty when the line is hidden.
std::wstring NetworkLine(const SummaryInput& input, const TextLookup& plain, std::string& key) {
  // Every text of the line itself goes through here, so the key of the text
  // shown is the last one asked for; the words that fill a format (the
  // carrier, "s.unknow") are asked of `plain`.
  const TextLookup text = [&](const char* asked) {
    key = asked;
    return plain(asked);
  };
  int nKnownCarrier = 0;
  int nHasAddress = 1;  // a run without the public-address check judges by the servers alone
  if (input.nNetFailures > 0) {
    CIPSiteFindings::QueryAddressState(input.pSite, nKnownCarrier, nHasAddress);
    if (!nHasAddress) return text("s.detect.net.disconnect");
    if (!input.pServers) return std::wstring();
    const bool lostOk = input.pServers->IsAllLostOK();
    const bool delayOk = input.pServers->IsAllDelayOK();
    if (!lostOk && !delayOk) return text("s.detect.net.lost.1");
    if (!lostOk) return text("s.detect.net.lost");
    if (!delayOk) return text("s.detect.net.deley");
    return std::wstring();  // the failure lies elsewhere
  }
  if (!input.pSite) return std::wstring();
  CIPSiteFindings::QueryAddressState(input.pSite, nKnownCarrier, nHasAddress);
  if (nKnownCarrier) {
    const std::optional<std::wstring> carrier = BestRouteCarrier(input.pServers, plain);
    return carrier ? skinkit::FormatTextFrom<skinkit::fmt::kNetOk>(text, *carrier) : std::wstring();
  }
  const std::vector<std::wstring>& region = input.pSite->m_vecRegion;
  const std::wstring carrier = region.empty() ? plain("s.unknow") : region.back();
  return skinkit::FormatTextFrom<skinkit::fmt::kNetOtherSite>(text, carrier);
}

std::wstring SystemLine(const SummaryInput& input, const TextLookup& plain, std::string& key) {
  const TextLookup text = [&](const char* asked) {
    key = asked;
    return plain(asked);
  };
  if (input.nSysFailures > 0) return text("s.detect.sys.below.standard");
  switch (std::min(input.nCpuGrade, input.nMemGrade)) {
    case 3: return text("s.detect.sys.ok.quality1");
    case 2: return text("s.detect.sys.ok.quality2");
    default: return text("s.detect.sys.ok.quality3");
  }
}

}  // namespace

SummaryText ComposeSummary(const SummaryInput& input, const TextLookup& text) {
  SummaryText summary;
  summary.strNetLine = NetworkLine(input, text, summary.strNetKey);
  if (summary.strNetLine.empty()) summary.strNetKey.clear();
  summary.strSysLine = SystemLine(input, text, summary.strSysKey);
  const int failures = input.nNetFailures + input.nSysFailures;
  summary.bProblems = failures > 0;
  summary.strTitleKey = summary.bProblems ? skinkit::fmt::kErrorCount.key : "s.detect.ok";
  summary.strTitle = summary.bProblems ? skinkit::FormatTextFrom<skinkit::fmt::kErrorCount>(text, failures)
                                       : text("s.detect.ok");
  return summary;
}
