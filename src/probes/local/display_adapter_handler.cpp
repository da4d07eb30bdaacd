#include "probes/local/display_adapter_handler.h"

#include "corekit/log.h"

int CDisplayAdapterHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CDisplayAdapterHandler::DoDetect");
  return 1;
}
