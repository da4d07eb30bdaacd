#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "corekit/log.h"
#include "corekit/textconv.h"
#include "update/package_digest.h"

namespace update {

namespace {

// Feeds the file to an open hash object in 64 KiB pieces.
bool HashFile(HANDLE file, BCRYPT_HASH_HANDLE hash) {
  std::vector<UCHAR> buffer(64 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
    if (read == 0) return true;
    if (BCryptHashData(hash, buffer.data(), read, 0) != 0) return false;
  }
}

}  // namespace

bool Sha256OfFile(const std::string& path, uint8_t* digest) {
  HANDLE file = CreateFileW(corekit::Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    LOG_FUNC(LOG_LEVEL_ERROR, "cannot open " << path << ", err = " << static_cast<unsigned long>(GetLastError()));
    return false;
  }
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool ok = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
            BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 && HashFile(file, hash) &&
            BCryptFinishHash(hash, digest, static_cast<ULONG>(kSha256Bytes), 0) == 0;
  if (hash) BCryptDestroyHash(hash);
  if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
  CloseHandle(file);
  if (!ok) LOG_FUNC(LOG_LEVEL_ERROR, "cannot hash " << path);
  return ok;
}

}  // namespace update
