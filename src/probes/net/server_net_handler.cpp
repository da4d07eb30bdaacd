#include "probes/net/server_net_handler.h"

#include "corekit/log.h"

int CServerNetHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CServerNetHandler::DoDetect");
  return 1;
}
