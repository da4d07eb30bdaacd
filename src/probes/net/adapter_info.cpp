#include "probes/net/adapter_info.h"

#include "sysinfo/wmi_text.h"

const wchar_t* const kNetworkAdapterClass = L"Win32_NetworkAdapter";

const std::vector<std::wstring>& NetworkAdapterProperties() {
  static const std::vector<std::wstring> properties = {L"Description", L"PhysicalAdapter", L"NetConnectionStatus",
                                                       L"MACAddress", L"NetworkAddresses"};
  return properties;
}

namespace {
enum AdapterValue { kDescription, kPhysicalAdapter, kConnectionStatus, kMacAddress };
const wchar_t* const kConnectedStatus = L"2";
}  // namespace

bool IsListedWmiAdapter(const std::vector<std::wstring>& values) {
  if (values.size() != NetworkAdapterProperties().size()) return false;
  const std::wstring& description = values[kDescription];
  if (description.empty() || description == L"Mirage Driver") return false;
  return values[kPhysicalAdapter] == sysinfo::kWmiTrueText || values[kConnectionStatus] == kConnectedStatus;
}

std::wstring AppendWmiAdapters(const WmiInstanceMap& answer, NetAdapterFindings& findings) {
  std::wstring logText;
  for (const auto& instance : answer) {
    const std::vector<std::wstring>& values = instance.second;
    for (size_t i = 0; i < values.size(); ++i) {
      if (i > 0) logText += L", ";
      logText += values[i];
    }
    logText += L"\n";
    if (IsListedWmiAdapter(values)) {
      findings.m_adapters.push_back({L" ", values[kDescription], values[kMacAddress]});
    }
  }
  return logText;
}

std::wstring FormatMacAddress(const unsigned char* bytes, size_t length) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  if (!bytes) return text;
  for (size_t i = 0; i < length; ++i) {
    if (i > 0) text += L'-';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}
