#include "probes/net/ip_site_findings.h"

#include <cJSON.h>

#include "corekit/textconv.h"

namespace {

// The string value of `key` in `object`, or null when it is missing or not a string.
const char* StringItem(const cJSON* object, const char* key) {
  const cJSON* item = cJSON_GetObjectItem(object, key);
  return cJSON_IsString(item) && item->valuestring ? item->valuestring : nullptr;
}

}  // namespace

std::vector<std::wstring> SplitRegion(const std::wstring& region) {
  std::vector<std::wstring> parts;
  size_t begin = 0;
  for (size_t i = 0; i < region.size(); ++i) {
    if (region[i] == L'|') {
      parts.push_back(region.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  parts.push_back(region.substr(begin));
  return parts;
}

bool CIPSiteFindings::ParseAnswer(const std::string& text) {
  cJSON* root = cJSON_ParseWithLength(text.data(), text.size());
  if (!root) return false;
  if (const char* ip = StringItem(root, "clientIp")) m_strClientIp = corekit::Utf8ToWide(ip);
  const cJSON* block = cJSON_GetObjectItem(root, "dataBlock");
  if (cJSON_IsObject(block)) {
    if (const char* region = StringItem(block, "region")) m_vecRegion = SplitRegion(corekit::Utf8ToWide(region));
  }
  cJSON_Delete(root);
  return true;
}

int CIPSiteFindings::QueryAddressState(const CIPSiteFindings* findings, int& nKnownCarrier, int& nHasAddress) {
  if (!findings) return 0;
  nHasAddress = !findings->m_strClientIp.empty() && !findings->m_vecRegion.empty() ? 1 : 0;
  if (findings->m_vecRegion.empty()) {
    nKnownCarrier = 0;
    return 1;
  }
  nKnownCarrier = CarrierKey(findings->m_vecRegion.back()) ? 1 : 0;
  return 1;
}

const char* CarrierKey(const std::wstring& carrier) {
  static const struct {
    const wchar_t* name;
    const char* key;
  } kCarriers[] = {
      {L"\u7535\u4FE1", "s.carrier.telecom"},  // 电信
      {L"\u8054\u901A", "s.carrier.unicom"},   // 联通
      {L"\u79FB\u52A8", "s.carrier.mobile"},   // 移动
  };
  for (const auto& known : kCarriers) {
    if (carrier == known.name) return known.key;
  }
  return nullptr;
}
