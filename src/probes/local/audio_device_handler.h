// The audio check: the sound-capture devices (microphones) and the
// sound-output devices (speakers, headsets) offered to multimedia programs;
// then whether the default microphone delivers a signal and whether the
// default speaker is muted or turned down.
#pragma once

#include <windows.h>

#include "detect/detect_handler.h"
#include "probes/local/device_list.h"

class CAudioDeviceHandler : public IDetectHandler, public AudioDeviceFindings {
 public:
  CAudioDeviceHandler();
  ~CAudioDeviceHandler() override;
  int GetType() override { return DETECT_TYPE_AUDIO; }
  int DoDetect() override;
  // A cancel ends the recording at once.
  void Stop() override;

 private:
  HANDLE m_hStop;  // manual reset: set once by a cancel
};
