// What the conflicting-program check finds.
#pragma once

#include <string>

struct ProcessFindings {
  std::wstring m_strProcessName;  // executable name searched for
  int m_bFound = 0;               // 1: a process of that name was running
};
