#include "probes/local/audio_device_handler.h"

#include "corekit/log.h"

int CAudioDeviceHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CAudioDeviceHandler::DoDetect");
  return 1;
}
