#include "probes/net/ip_site_handler.h"

#include "corekit/log.h"

int CIPSiteHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CIPSiteHandler::DoDetect");
  return 1;
}
