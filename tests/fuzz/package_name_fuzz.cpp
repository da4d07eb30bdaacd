// Feeds arbitrary package URLs, as the configuration file may carry anything,
// to the file-name rule. An accepted name must stay a plain file name inside
// the folder it is joined to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "update/package_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string reason;
  const std::string name = update::PackageFileName(std::string(reinterpret_cast<const char*>(data), size), &reason);
  if (name.empty()) {
    if (reason.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  if (!reason.empty() || name == "." || name == ".." || name.size() > 200) std::abort();
  for (unsigned char c : name) {
    if (c < 0x20 || c >= 0x7F || std::strchr("\\/:*?\"<>|", c)) std::abort();
  }
  return 0;
}
