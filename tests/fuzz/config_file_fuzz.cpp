// Feeds arbitrary bytes, as the configuration service may send any file, to
// the rewrite that hands the configuration file to the profile functions as
// UTF-16, and to the check that it reads as a configuration at all. What the
// file says must survive the rewrite unchanged, whatever its encoding errors,
// and the check must judge the file and its rewrite alike.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "corekit/textconv.h"
#include "update/config_keys.h"

namespace {

// The UTF-16 (little endian) text behind the mark, surrogate pairs joined
// into the native build's 32-bit wide characters, as UTF-8.
std::string Utf16ToUtf8(const std::string& bytes) {
  std::wstring units;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    units += static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
  }
  std::wstring joined;
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t high = static_cast<uint32_t>(units[i]);
    if (high >= 0xD800 && high <= 0xDBFF && i + 1 < units.size()) {
      const uint32_t low = static_cast<uint32_t>(units[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        joined += static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    joined += static_cast<wchar_t>(high);
  }
  return corekit::WideToUtf8(joined);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf16 = update::ConfigTextAsUtf16(bytes);
  if (utf16.size() <= update::kMaxConfigBytes && update::IsConfigText(utf16) != update::IsConfigText(bytes)) {
    std::abort();
  }
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
    if (utf16 != bytes) std::abort();  // UTF-16 already: left as it is
    return 0;
  }
  if (utf16.size() < 2 || utf16.compare(0, 2, "\xFF\xFE") != 0 || utf16.size() % 2 != 0) std::abort();
  // Decoding is stable: the decoded text, encoded and decoded again, is itself.
  const std::string body = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
  const std::string decoded = corekit::WideToUtf8(corekit::Utf8ToWide(body));
  if (corekit::WideToUtf8(corekit::Utf8ToWide(decoded)) != decoded) std::abort();
  if (Utf16ToUtf8(utf16) != decoded) std::abort();
  return 0;
}
