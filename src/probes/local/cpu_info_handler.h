// The processor: name, cores, clock and current load check.
#pragma once

#include "detect/detect_handler.h"

class CCpuInfoHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_CPU; }
  int DoDetect() override;
};
