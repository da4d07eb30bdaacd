// The display check: the display adapters with their converter type and
// refresh rate, and the size of the primary screen.
#pragma once

#include "detect/detect_handler.h"
#include "probes/local/display_adapter.h"

class CDisplayAdapterHandler : public IDetectHandler, public DisplayAdapterFindings {
 public:
  int GetType() override { return DETECT_TYPE_DISPLAY_ADAPTER; }
  int DoDetect() override;
  void WMIGetDisplayAdapterInfo();
};
