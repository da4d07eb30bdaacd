// The public-address service's answer comes from the network: any bytes must
// parse or be refused without a fault, and the query must hold its rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netlib/http_url.h"
#include "probes/net/ip_site_findings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CIPSiteFindings findings;
  findings.ParseAnswer(text);
  int known = -1, has = -1;
  if (CIPSiteFindings::QueryAddressState(&findings, known, has) != 1) std::abort();
  if (has == 1 && (findings.m_strClientIp.empty() || findings.m_vecRegion.empty())) std::abort();
  if (known == 1 && findings.m_vecRegion.empty()) std::abort();
  CHttpUrl url;
  if (url.Initialize(text) && (url.GetHost().empty() || url.GetRequestTarget().empty() || url.GetPort() < 1)) {
    std::abort();
  }
  return 0;
}
