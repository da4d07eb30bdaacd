#include "probes/local/video_device_handler.h"

#include <dshow.h>

#include "corekit/log.h"
#include "probes/local/device_enum.h"

int CVideoDeviceHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CVideoDeviceHandler::DoDetect");
  m_vecVideoInput.clear();
  EnumDeviceCategory(CLSID_VideoInputDeviceCategory, m_vecVideoInput);
  return 1;
}
