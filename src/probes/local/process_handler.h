// The conflicting-program check: is the tray process of the security suite
// 360安全卫士 (360tray.exe) running?
#pragma once

#include "detect/detect_handler.h"
#include "probes/local/conflicting_program.h"

class CProcessHandler : public IDetectHandler, public ProcessFindings {
 public:
  CProcessHandler();
  int GetType() override { return DETECT_TYPE_PROCESS; }
  int DoDetect() override;
  // 1 when the process list could be searched, 0 when it could not be read.
  int CheckProcess();
};
