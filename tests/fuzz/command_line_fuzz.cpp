// Feeds arbitrary command lines, split into arguments at zero bytes, to the
// launch-argument parser: every outcome must be one the program can act on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "corekit/textconv.h"
#include "report/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::wstring> args;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (size_t begin = 0; begin < bytes.size();) {
    size_t end = bytes.find('\0', begin);
    if (end == std::string::npos) end = bytes.size();
    args.push_back(corekit::Utf8ToWide(bytes.substr(begin, end - begin)));
    begin = end + 1;
  }
  const LaunchRequest request = ParseLaunchArguments(args);
  switch (request.mode) {
    case LaunchMode::Interactive:
      if (!args.empty()) std::abort();
      break;
    case LaunchMode::Usage:
      if (args.size() != 1) std::abort();
      break;
    case LaunchMode::SilentReport:
      if (args.size() != 2 || request.strReportPath != args[1] || request.strReportPath.empty()) std::abort();
      break;
    case LaunchMode::Refused:
      if (args.empty() || request.strError.empty()) std::abort();
      break;
  }
  if (request.mode != LaunchMode::SilentReport && !request.strReportPath.empty()) std::abort();
  return 0;
}
