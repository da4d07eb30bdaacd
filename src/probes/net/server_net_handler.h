// The loss and round trip to the six media servers check.
#pragma once

#include "detect/detect_handler.h"

class CServerNetHandler : public IDetectHandler {
 public:
  int GetType() override { return DETECT_TYPE_SERVER_NET; }
  int DoDetect() override;
  bool IsAsync() override { return true; }
};
