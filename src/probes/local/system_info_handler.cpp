#include "probes/local/system_info_handler.h"

#include <windows.h>

#include "corekit/log.h"
#include "sysinfo/wmi_info.h"

int CSystemInfoHandler::DoDetect() {
  LOG_METHOD_TAG(LOG_LEVEL_INFO, "CSystemInfoHandler::DoDetect", "CSystemInfoHandler::DoDetect");
  if (QueryWmiOsInfo() == 0) return GetVersionInfo();
  return 1;
}

int CSystemInfoHandler::QueryWmiOsInfo() {
  WmiInstanceMap answer;
  if (!theWmiInfo.GetMutilpleItemInfo(kOperatingSystemClass, OperatingSystemProperties(), answer)) return 0;
  return ReadOperatingSystemFromWmi(answer, *this);
}

int CSystemInfoHandler::GetVersionInfo() {
  SYSTEM_INFO system = {};
  GetNativeSystemInfo(&system);
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) return 0;
#pragma GCC diagnostic pop
  OsVersionRecord record;
  record.dwMajorVersion = version.dwMajorVersion;
  record.dwMinorVersion = version.dwMinorVersion;
  record.dwPlatformId = version.dwPlatformId;
  record.bWorkstation = version.wProductType == VER_NT_WORKSTATION;
  record.bAmd64 = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
  record.bServerR2 = GetSystemMetrics(SM_SERVERR2) != 0;
  ApplyOsVersionRecord(record, *this);
  return 1;
}
