// The operating-system name, version and support check.
#pragma once

#include "detect/detect_handler.h"

class CSystemInfoHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_SYSTEM; }
  int DoDetect() override;
};
