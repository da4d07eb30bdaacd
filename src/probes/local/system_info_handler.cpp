#include "probes/local/system_info_handler.h"

#include "corekit/log.h"

int CSystemInfoHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CSystemInfoHandler::DoDetect");
  return 1;
}
