#include "probes/local/cpu_info_handler.h"

#include "corekit/log.h"

int CCpuInfoHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CCpuInfoHandler::DoDetect");
  return 1;
}
