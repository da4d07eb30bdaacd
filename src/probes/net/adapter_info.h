// What the network adapter check finds, and the pure parts of finding it:
// which WMI adapters are listed and how a hardware address is written.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sysinfo/wmi_types.h"

struct AdapterInfo {
  std::wstring strAdapterName;  // IP helper: the adapter's GUID text; WMI: " "
  std::wstring strDescription;  // what the verdict row shows
  std::wstring strMac;
};

struct NetAdapterFindings {
  std::vector<AdapterInfo> m_adapters;  // in discovery order
  int m_bNetWorkConnected = 0;          // 1: the system reports a network connection
};

// The properties asked of "Win32_NetworkAdapter", in this order.
extern const wchar_t* const kNetworkAdapterClass;
const std::vector<std::wstring>& NetworkAdapterProperties();

// A physical card (connected or not) or a connected adapter, with a
// description that is neither empty nor the "Mirage Driver" mirror.
bool IsListedWmiAdapter(const std::vector<std::wstring>& values);

// Appends the listed adapters of a WMI answer in instance order and
// returns the log text: each instance's values joined by ", ", one
// instance a line.
std::wstring AppendWmiAdapters(const WmiInstanceMap& answer, NetAdapterFindings& findings);

// Upper-case hexadecimal pairs joined by "-" ("00-1A-2B-3C-4D-5E").
std::wstring FormatMacAddress(const unsigned char* bytes, size_t length);
