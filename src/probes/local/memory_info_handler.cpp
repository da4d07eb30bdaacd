#include "probes/local/memory_info_handler.h"

#include <windows.h>

#include "corekit/log.h"

int CMemoryInfoHandler::DoDetect() {
  LOG_METHOD_TAG(LOG_LEVEL_INFO, "CMemoryInfoHandler::DoDetect", "CMemoryInfoHandler::DoDetect()");
  return LogSystemMemoryInfo();
}

int CMemoryInfoHandler::LogSystemMemoryInfo() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) {
    const DWORD error = GetLastError();
    LOG_METHOD_TAG(LOG_LEVEL_ERROR, "CMemoryInfoHandler::LogSystemMemoryInfo",
                   "GlobalMemoryStatusEx fail, lastErrorCode:" << static_cast<unsigned long>(error));
    return 0;
  }
  m_ullTotalPhys = status.ullTotalPhys;
  m_ullAvailPhys = status.ullAvailPhys;
  return 1;
}
