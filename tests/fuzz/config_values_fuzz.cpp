// Feeds arbitrary values of the configuration file, as the configuration
// service may publish anything, to what the program makes of them: the
// release notes split into rows, the offered version, and the package digest
// key checked against a downloaded file's digest.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "corekit/textconv.h"
#include "update/package_digest.h"
#include "update/update_offer.h"

namespace {

void CheckReleaseNotes(const std::wstring& notes) {
  const std::vector<std::wstring> rows = update::SplitReleaseNotes(notes);
  size_t bars = 0;
  for (wchar_t c : notes) bars += c == L'|';
  if (rows.size() != bars + 1) std::abort();
  // The rows joined again by bars give the notes back: nothing lost or added.
  std::wstring joined = rows[0];
  for (size_t i = 1; i < rows.size(); ++i) joined += L'|' + rows[i];
  if (joined != notes) std::abort();
}

void CheckDigestKey(const std::string& key, const uint8_t* data, size_t size) {
  uint8_t digest[update::kSha256Bytes] = {};
  for (size_t i = 0; i < update::kSha256Bytes && i < size; ++i) digest[i] = data[size - 1 - i];
  const std::string hex = update::Sha256Hex(digest);
  if (!update::IsSha256Hex(hex) || !update::Sha256Matches(hex, digest)) std::abort();
  if (!update::Sha256Matches(key, digest)) return;
  // A key that matches names exactly this digest, in either letter case.
  if (!update::IsSha256Hex(key)) std::abort();
  for (size_t i = 0; i < key.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(key[i])) != hex[i]) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::wstring text = corekit::Utf8ToWide(bytes);
  CheckReleaseNotes(text);
  CheckDigestKey(bytes, data, size);
  // The first row against the rest, as published and own versions.
  const size_t bar = text.find(L'|');
  const std::wstring published = text.substr(0, bar);
  const std::wstring own = bar == std::wstring::npos ? std::wstring() : text.substr(bar + 1);
  if (update::IsUpdateOffered(published, own) != (!published.empty() && published != own)) std::abort();
  if (update::IsUpdateOffered(published, published)) std::abort();
  return 0;
}
