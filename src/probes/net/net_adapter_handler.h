// The network adapters and whether the computer is connected check.
#pragma once

#include "detect/detect_handler.h"

class CNetAdapterHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_NET_ADAPTER; }
  int DoDetect() override;
};
