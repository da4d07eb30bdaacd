#include "probes/local/display_adapter.h"

#include "sysinfo/wmi_text.h"

const wchar_t* const kVideoControllerClass = L"Win32_VideoController";

const std::vector<std::wstring>& VideoControllerProperties() {
  static const std::vector<std::wstring> properties = {L"Description", L"AdapterDACType",
                                                       L"CurrentHorizontalResolution", L"CurrentVerticalResolution",
                                                       L"CurrentRefreshRate"};
  return properties;
}

const DisplayAdapterInfo* DisplayAdapterFindings::GetMainAdapter() const {
  for (const auto& adapter : m_vecDisplayAdapter) {
    if (adapter->bExternalDac == 1) return adapter.get();
  }
  return m_vecDisplayAdapter.empty() ? nullptr : m_vecDisplayAdapter.front().get();
}

void AppendDisplayAdapters(const WmiInstanceMap& answer, int screenWidth, int screenHeight,
                           DisplayAdapterFindings& findings) {
  for (const auto& instance : answer) {
    const std::vector<std::wstring>& values = instance.second;
    if (values.size() != VideoControllerProperties().size()) continue;
    if (values[0] == L"Mirage Driver") continue;
    auto adapter = std::make_unique<DisplayAdapterInfo>();
    adapter->strDescription = values[0];
    adapter->bExternalDac = values[1] == L"Internal" ? 0 : 1;
    adapter->nWidth = screenWidth;
    adapter->nHeight = screenHeight;
    adapter->nRefreshRate = sysinfo::ParseWmiInt(values[4]);
    findings.m_vecDisplayAdapter.push_back(std::move(adapter));
  }
}
