// The free space of the Windows and application-data volumes check.
#pragma once

#include "detect/detect_handler.h"

class CDiskSpaceHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_DISK; }
  int DoDetect() override;
};
