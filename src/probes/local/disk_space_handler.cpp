#include "probes/local/disk_space_handler.h"

#include "corekit/log.h"

int CDiskSpaceHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CDiskSpaceHandler::DoDetect");
  return 1;
}
