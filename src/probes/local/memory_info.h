// What the memory check finds: raw byte counts as the system reports them.
#pragma once

struct MemoryInfoFindings {
  unsigned long long m_ullTotalPhys = 0;  // installed physical memory
  unsigned long long m_ullAvailPhys = 0;  // physical memory free at the check
};
