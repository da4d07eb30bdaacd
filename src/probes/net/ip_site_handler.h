// The public address, region and carrier check.
#pragma once

#include "detect/detect_handler.h"

class CIPSiteHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_IP_SITE; }
  int DoDetect() override;
  bool IsAsync() override { return true; }
};
