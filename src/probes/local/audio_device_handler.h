// The audio check: the sound-capture devices (microphones) and the
// sound-output devices (speakers, headsets) offered to multimedia programs.
#pragma once

#include "detect/detect_handler.h"
#include "probes/local/device_list.h"

class CAudioDeviceHandler : public IDetectHandler, public AudioDeviceFindings {
 public:
  int GetType() override { return DETECT_TYPE_AUDIO; }
  int DoDetect() override;
};
