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

// What any published version must give against the program's own, checked
// through altered copies rather than the rule's own expression: the same
// text or an empty one is never offered; one character more or less, or one
// letter in the other case, always is (no ordering, no case folding); and
// the answer does not depend on which side is longer.
void CheckOffer(const std::wstring& published, const std::wstring& own) {
  if (update::IsUpdateOffered(published, published)) std::abort();
  if (update::IsUpdateOffered(std::wstring(), own)) std::abort();
  if (published.empty()) return;
  if (!update::IsUpdateOffered(published, published + L'0')) std::abort();
  if (!update::IsUpdateOffered(published, published.substr(1))) std::abort();
  if (!update::IsUpdateOffered(published + L'0', published)) std::abort();
  for (size_t i = 0; i < published.size(); ++i) {
    const wchar_t c = published[i];
    if (c > 0x7F || !std::isalpha(static_cast<int>(c))) continue;
    std::wstring other = published;
    other[i] = static_cast<wchar_t>(std::islower(static_cast<int>(c)) ? std::toupper(c) : std::tolower(c));
    if (!update::IsUpdateOffered(published, other)) std::abort();
    break;
  }
  if (!own.empty() && update::IsUpdateOffered(published, own) != update::IsUpdateOffered(own, published)) std::abort();
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
  CheckOffer(published, own);
  return 0;
}
