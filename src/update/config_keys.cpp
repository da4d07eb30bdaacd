#include "update/config_keys.h"

#include <cctype>
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

namespace {

std::string Trimmed(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return std::string();
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// The name in a section line "[name]"; empty for any other line.
std::string SectionNameOf(const std::string& line) {
  const std::string text = Trimmed(line);
  const size_t close = text.find(']');
  if (text.empty() || text[0] != '[' || close == std::string::npos) return std::string();
  return Trimmed(text.substr(1, close - 1));
}

}  // namespace

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

bool IsConfigText(const std::string& bytes) {
  if (bytes.size() > kMaxConfigBytes) return false;
  std::string utf16 = ConfigTextAsUtf16(bytes);
  utf16.resize(utf16.size() & ~static_cast<size_t>(1));
  utf16.append("\n\0", 2);  // the last line ends too
  std::string line;  // the line's characters below 128 in upper case, any other as '?'
  for (size_t at = 2; at + 1 < utf16.size(); at += 2) {
    const unsigned unit = static_cast<unsigned char>(utf16[at]) | static_cast<unsigned char>(utf16[at + 1]) << 8;
    if (unit != '\n') {
      line += unit < 128 ? static_cast<char>(std::toupper(static_cast<int>(unit))) : '?';
      continue;
    }
    if (SectionNameOf(line) == kConfigSection) return true;
    line.clear();
  }
  return false;
}

}  // namespace update
