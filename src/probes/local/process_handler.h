// The a running program that conflicts with the classes check.
#pragma once

#include "detect/detect_handler.h"

class CProcessHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_PROCESS; }
  int DoDetect() override;
};
