// Feeds arbitrary string tables, as the skin may carry any text, to the
// table reader and every value to the format checks: a value whose format
// signature is accepted must format cleanly with arguments of that signature.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "skinkit/string_table.h"
#include "skinkit/text_format.h"

namespace {

std::vector<skinkit::FormatArg> ArgsOf(const std::string& signature) {
  std::vector<skinkit::FormatArg> args;
  for (char kind : signature) {
    if (kind == 'd') args.emplace_back(-123456);
    else if (kind == 'f') args.emplace_back(-1.5e300);
    else args.emplace_back(std::wstring(L"text"));
  }
  return args;
}

void CheckFormat(const std::wstring& format) {
  std::string signature, error;
  bool ok = true;
  if (!skinkit::FormatSignature(format, signature, &error)) {
    if (error.empty()) std::abort();  // a refusal says where
    skinkit::FormatPrintf(format, ArgsOf("dfs"), &ok);
    if (ok) std::abort();  // a refused conversion never formats cleanly
    return;
  }
  skinkit::FormatPrintf(format, ArgsOf(signature), &ok);
  if (!ok) std::abort();
  // One argument too many is always reported.
  skinkit::FormatPrintf(format, ArgsOf(signature + "d"), &ok);
  if (ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> errors;
  const skinkit::StringTable table = skinkit::StringTable::Parse(text, &errors);
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  if (table.Entries().size() + errors.size() > lines) std::abort();
  for (const auto& entry : table.Entries()) {
    const std::string& key = entry.first;
    if (key.compare(0, 2, "s.") != 0 || key.back() == '.' || key.find_first_of(" \t=\r\n") != std::string::npos) {
      std::abort();
    }
    if (table.Find(key) != &entry.second) std::abort();
    CheckFormat(entry.second);
  }
  return 0;
}
