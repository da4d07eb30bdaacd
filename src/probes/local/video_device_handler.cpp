#include "probes/local/video_device_handler.h"

#include "corekit/log.h"

int CVideoDeviceHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CVideoDeviceHandler::DoDetect");
  return 1;
}
