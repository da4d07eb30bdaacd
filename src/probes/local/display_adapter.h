// What the display check finds, and the pure parts of finding it: which
// WMI instances become adapter records, and which adapter is judged.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sysinfo/wmi_types.h"

struct DisplayAdapterInfo {
  std::wstring strDescription;
  int nWidth = 0;        // primary screen, pixels (the same for every adapter)
  int nHeight = 0;
  int nRefreshRate = 0;  // hertz; 0 when unknown
  int bExternalDac = 0;  // 1 unless the converter type is exactly "Internal"
};

struct DisplayAdapterFindings {
  std::vector<std::unique_ptr<DisplayAdapterInfo>> m_vecDisplayAdapter;  // in WMI order

  // The first adapter with an external converter, else the first adapter;
  // null without adapters.
  const DisplayAdapterInfo* GetMainAdapter() const;
};

// The properties asked of "Win32_VideoController", in this order.
extern const wchar_t* const kVideoControllerClass;
const std::vector<std::wstring>& VideoControllerProperties();

// Appends one record per instance, in instance order, except malformed
// instances and the "Mirage Driver" mirror adapter (exact name). The
// screen size is the primary screen's, given by the caller.
void AppendDisplayAdapters(const WmiInstanceMap& answer, int screenWidth, int screenHeight,
                           DisplayAdapterFindings& findings);
