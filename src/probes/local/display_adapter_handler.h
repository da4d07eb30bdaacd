// The display adapters and the primary screen check.
#pragma once

#include "detect/detect_handler.h"

class CDisplayAdapterHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_DISPLAY_ADAPTER; }
  int DoDetect() override;
};
