// The physical memory installed and free check.
#pragma once

#include "detect/detect_handler.h"

class CMemoryInfoHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_MEMORY; }
  int DoDetect() override;
};
