#include "probes/local/display_adapter_handler.h"

#include <windows.h>

#include "corekit/log.h"
#include "sysinfo/wmi_info.h"

int CDisplayAdapterHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CDisplayAdapterHandler::DoDetect");
  WMIGetDisplayAdapterInfo();
  return 1;
}

void CDisplayAdapterHandler::WMIGetDisplayAdapterInfo() {
  WmiInstanceMap answer;
  if (!theWmiInfo.GetMutilpleItemInfo(kVideoControllerClass, VideoControllerProperties(), answer)) {
    LOG_METHOD_TAG(LOG_LEVEL_INFO, "CDisplayAdapterHandler::WMIGetDisplayAdapterInfo",
                   "theWmiInfo.GetMutilpleItemInfo FAILED!");
    return;
  }
  AppendDisplayAdapters(answer, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), *this);
}
