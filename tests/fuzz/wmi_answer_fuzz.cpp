// Feeds arbitrary WMI texts to every reader of a WMI answer: none may
// crash, overflow or read out of bounds, whatever the system returns.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "probes/local/cpu_info.h"
#include "probes/local/disk_space.h"
#include "probes/local/display_adapter.h"
#include "probes/local/os_version.h"
#include "probes/net/adapter_info.h"
#include "fuzz_texts.h"
#include "sysinfo/wmi_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::wstring> texts = WideTextsOf(data, size);
  WmiInstanceMap answer;
  for (size_t i = 0; i < texts.size(); ++i) {
    // Instances of varying length, so every "wrong count" path runs too.
    answer[static_cast<int>(i % 3)].push_back(texts[i]);
    sysinfo::ParseWmiInteger(texts[i]);
    ParseVersionNumbers(texts[i]);
    DrivePartOfPath(texts[i]);
  }
  CpuInfoFindings cpu;
  ReadProcessorFromWmi(answer, cpu);
  SystemInfoFindings os;
  ReadOperatingSystemFromWmi(answer, os);
  DisplayAdapterFindings display;
  AppendDisplayAdapters(answer, 1920, 1080, display);
  display.GetMainAdapter();
  NetAdapterFindings net;
  AppendWmiAdapters(answer, net);
  return 0;
}
