#include "probes/local/device_list.h"

#include <utility>

namespace {
bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }
}  // namespace

bool IsListedDeviceName(const std::wstring& friendlyName) {
  return !StartsWith(friendlyName, L"Default") && !StartsWith(friendlyName, L"DirectSound");
}

void AppendListedDevice(std::vector<DeviceEntry>& list, DeviceEntry entry) {
  if (IsListedDeviceName(entry.strFriendlyName)) list.push_back(std::move(entry));
}
