#include "probes/net/net_adapter_handler.h"

#include "corekit/log.h"

int CNetAdapterHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CNetAdapterHandler::DoDetect");
  return 1;
}
