// The cameras check.
#pragma once

#include "detect/detect_handler.h"

class CVideoDeviceHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_VIDEO; }
  int DoDetect() override;
};
