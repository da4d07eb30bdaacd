// The disk check: free space of the volume that holds the Windows folder
// and of the one that holds the user's application-data folder.
#pragma once

#include <string>

#include "detect/detect_handler.h"
#include "probes/local/disk_space.h"

class CDiskSpaceHandler : public IDetectHandler, public DiskSpaceFindings {
 public:
  int GetType() override { return DETECT_TYPE_DISK; }
  int DoDetect() override;
  // Total free bytes of the volume named by the drive part of the folder
  // path; 0 when the path names no drive or the volume cannot be read.
  static unsigned long long GetDriveFreeSpace(const std::wstring& folderPath);
};
