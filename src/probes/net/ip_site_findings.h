// What the public-address check finds: the address the service saw and the
// region it places it in (the last part is the carrier), read from the
// service's JSON answer. Pure logic, shared by the handler and the summary.
#pragma once

#include <string>
#include <vector>

class CIPSiteFindings {
 public:
  std::wstring m_strClientIp;          // "clientIp"; empty until an answer is parsed
  std::vector<std::wstring> m_vecRegion;  // "dataBlock"/"region" split at "|"

  // Reads an answer of the service. Keys that are missing or not strings
  // leave their field unchanged. False when the text is not JSON.
  bool ParseAnswer(const std::string& text);

  // For the summary: has-address is 1 when both the address and a region are
  // known; known-carrier is 1 when the region's last part names one of the
  // three carriers. Without findings (no handler) returns 0 and leaves both
  // outputs untouched; otherwise returns 1.
  static int QueryAddressState(const CIPSiteFindings* findings, int& nKnownCarrier, int& nHasAddress);
};

// The string key naming one of the three carriers in the reader's language
// ("s.carrier.telecom" for "电信"); null for any other text. The comparison
// is exact.
const char* CarrierKey(const std::wstring& carrier);

// "a|b||c" -> {"a", "b", "", "c"}; an empty text gives one empty part.
std::vector<std::wstring> SplitRegion(const std::wstring& region);
