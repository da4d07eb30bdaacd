#include "update/package_name.h"

#include <cctype>
#include <cstring>

#include "update/config_keys.h"

namespace update {

namespace {

constexpr size_t kMaxNameBytes = 200;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%5C" becomes "\"; a "%" without two hex digits stays as it is.
std::string DecodePercent(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// CON, NUL, COM1 and the like name devices, also with an extension ("CON.exe").
bool IsDeviceName(const std::string& name) {
  std::string stem = Upper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (stem == device) return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

// The configuration file and the files beside it while it changes: a package
// of that name would replace the live configuration.
bool IsOwnFileName(const std::string& name) {
  const std::string config = Upper(kConfigFileName);
  const std::string upper = Upper(name);
  return upper == config || upper == config + Upper(kDownloadSuffix) || upper == config + Upper(kRewriteSuffix);
}

const char* Refusal(const std::string& name) {
  if (name.empty()) return "the name is empty";
  if (name == "." || name == "..") return "the name is a folder reference";
  if (name.size() > kMaxNameBytes) return "the name is too long";
  for (unsigned char c : name) {
    if (c < 0x20 || c >= 0x7F) return "the name holds a control or non-ASCII character";
    if (std::strchr("\\/:*?\"<>|", c)) return "the name holds a character not allowed in file names";
  }
  if (name.back() == '.' || name.back() == ' ') return "the name ends in a dot or a blank";
  if (IsDeviceName(name)) return "the name is a device name";
  if (IsOwnFileName(name)) return "the name is one of the program's own files";
  return nullptr;
}

}  // namespace

std::string PackageFileName(const std::string& url, std::string* reason) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  const size_t slash = path.rfind('/');
  std::string name = DecodePercent(slash == std::string::npos ? path : path.substr(slash + 1));
  if (const char* refusal = Refusal(name)) {
    if (reason) *reason = refusal;
    return std::string();
  }
  if (reason) reason->clear();
  return name;
}

}  // namespace update
