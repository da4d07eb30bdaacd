// Measures download and upload speed against the addresses given, as the
// media-server check does, and prints each figure with the processor time
// the transfer took (all of this process's threads, WinHTTP's included).
// bench/speed_bench.py runs it against the web stand-in at several paces.
// Usage: speed_bench.exe <download-url> <upload-url>
#include <windows.h>

#include <cstdio>
#include <string>

#include "netlib/speed_transfer.h"

namespace {

double ProcessorMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
  const auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

void Measure(SpeedDirection direction, const std::string& url) {
  const double before = ProcessorMs();
  const SpeedOutcome outcome = MeasureSpeed(direction, url, nullptr);
  const double processor = ProcessorMs() - before;
  const char* name = direction == SPEED_UPLOAD ? "upload" : "download";
  if (outcome.bMeasured) {
    std::printf("%s kbps %d bytes %llu processor_ms %.0f\n", name, outcome.nKbps, outcome.nBytes, processor);
  } else {
    std::printf("%s not measured (%s) processor_ms %.0f\n", name, outcome.strReason.c_str(), processor);
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: speed_bench.exe <download-url> <upload-url>\n");
    return 2;
  }
  Measure(SPEED_DOWNLOAD, argv[1]);
  Measure(SPEED_UPLOAD, argv[2]);
  return 0;
}
