// The sound capture and output devices check.
#pragma once

#include "detect/detect_handler.h"

class CAudioDeviceHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_AUDIO; }
  int DoDetect() override;
};
