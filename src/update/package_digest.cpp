#include "update/package_digest.h"

#include <cctype>

namespace update {

bool IsSha256Hex(const std::string& text) {
  if (text.size() != 2 * kSha256Bytes) return false;
  for (unsigned char c : text) {
    if (!std::isxdigit(c)) return false;
  }
  return true;
}

std::string Sha256Hex(const uint8_t* digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < kSha256Bytes; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0F];
  }
  return hex;
}

bool Sha256Matches(const std::string& expectedHex, const uint8_t* digest) {
  if (!IsSha256Hex(expectedHex)) return false;
  const std::string actual = Sha256Hex(digest);
  for (size_t i = 0; i < actual.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(expectedHex[i])) != actual[i]) return false;
  }
  return true;
}

}  // namespace update
