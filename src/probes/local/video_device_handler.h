// The camera check: the video-capture devices offered to multimedia
// programs.
#pragma once

#include "detect/detect_handler.h"
#include "probes/local/device_list.h"

class CVideoDeviceHandler : public IDetectHandler, public VideoDeviceFindings {
 public:
  int GetType() override { return DETECT_TYPE_VIDEO; }
  int DoDetect() override;
};
