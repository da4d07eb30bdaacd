// The operating-system check: name and version from WMI, or from the
// system's version record and a table of names, and whether the version is
// supported (Windows 7 and later).
#pragma once

#include "detect/detect_handler.h"
#include "probes/local/os_version.h"

class CSystemInfoHandler : public IDetectHandler, public SystemInfoFindings {
 public:
  int GetType() override { return DETECT_TYPE_SYSTEM; }
  int DoDetect() override;
  // 1 when the WMI answer was used (or had no instance), 0 when the version
  // record must be read instead.
  int QueryWmiOsInfo();
  // 1 on success, 0 when the system refused the version record.
  int GetVersionInfo();
};
