// The optional "sha256" key: the package's SHA-256 digest as 64 hex digits.
// The digest of the downloaded file is computed by Windows; the comparison
// with the key is plain text work and lives here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace update {

constexpr size_t kSha256Bytes = 32;

// Whether `text` is exactly 64 hex digits, in either letter case.
bool IsSha256Hex(const std::string& text);

// Whether `digest` (32 bytes) is the digest `expectedHex` names. A key that
// is not 64 hex digits matches nothing.
bool Sha256Matches(const std::string& expectedHex, const uint8_t* digest);

// The digest as 64 lower-case hex digits, for the log.
std::string Sha256Hex(const uint8_t* digest);

#ifdef _WIN32
// The SHA-256 of a file's contents through Windows' cryptography API; false
// (logged) when the file cannot be read or hashed. `path` is UTF-8.
bool Sha256OfFile(const std::string& path, uint8_t* digest);
#endif

}  // namespace update
