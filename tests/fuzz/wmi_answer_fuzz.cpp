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
#include "sysinfo/wmi_text.h"

namespace {

// Splits the input into texts at each zero byte; each byte becomes one
// UTF-16 code unit, high bytes spread over the whole range.
std::vector<std::wstring> TextsOf(const uint8_t* data, size_t size) {
  std::vector<std::wstring> texts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      texts.emplace_back();
    } else {
      texts.back() += static_cast<wchar_t>(data[i] < 0x80 ? data[i] : data[i] * 0x101);
    }
  }
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::wstring> texts = TextsOf(data, size);
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
