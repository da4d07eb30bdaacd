#include "probes/local/memory_info_handler.h"

#include "corekit/log.h"

int CMemoryInfoHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CMemoryInfoHandler::DoDetect");
  return 1;
}
