#include "probes/local/process_handler.h"

#include "corekit/log.h"

int CProcessHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CProcessHandler::DoDetect");
  return 1;
}
