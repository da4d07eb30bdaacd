#include "update/config_keys.h"

#include <cstdint>

#include "corekit/textconv.h"

namespace update {

const ServerKeys kServerKeys[MEDIA_SERVER_SLOTS] = {
    {SLOT_CNC1, "cncName1", "cncDomain1", &MediaServerList::SetNameCNC1, &MediaServerList::SetDomainCNC1,
     "SetDomainCNC1"},
    {SLOT_CNC2, "cncName2", "cncDomain2", &MediaServerList::SetNameCNC2, &MediaServerList::SetDomainCNC2,
     "SetDomainCNC2"},
    {SLOT_CTC1, "ctcName1", "ctcDomain1", &MediaServerList::SetNameCTC1, &MediaServerList::SetDomainCTC1,
     "SetDomainCTC1"},
    {SLOT_CTC2, "ctcName2", "ctcDomain2", &MediaServerList::SetNameCTC2, &MediaServerList::SetDomainCTC2,
     "SetDomainCTC2"},
    {SLOT_CMC1, "cmcName1", "cmcDomain1", &MediaServerList::SetNameCMC1, &MediaServerList::SetDomainCMC1,
     "SetDomainCMC1"},
    {SLOT_CMC2, "cmcName2", "cmcDomain2", &MediaServerList::SetNameCMC2, &MediaServerList::SetDomainCMC2,
     "SetDomainCMC2"},
};

std::string ConfigTextAsUtf16(const std::string& bytes) {
  static const char kUtf16Mark[] = "\xFF\xFE";
  static const char kUtf8Mark[] = "\xEF\xBB\xBF";
  if (bytes.compare(0, 2, kUtf16Mark) == 0) return bytes;
  const std::wstring text = corekit::Utf8ToWide(bytes.compare(0, 3, kUtf8Mark) == 0 ? bytes.substr(3) : bytes);
  std::string out(kUtf16Mark, 2);
  for (wchar_t c : text) {
    // Windows' wide characters are UTF-16 units; elsewhere a character
    // beyond the basic plane becomes its surrogate pair.
    const uint32_t code = static_cast<uint32_t>(c);
    if (code > 0xFFFF) {
      const uint32_t v = code - 0x10000;
      for (uint32_t unit : {0xD800 + (v >> 10), 0xDC00 + (v & 0x3FF)}) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
      }
    } else {
      out += static_cast<char>(code & 0xFF);
      out += static_cast<char>(code >> 8);
    }
  }
  return out;
}

}  // namespace update
