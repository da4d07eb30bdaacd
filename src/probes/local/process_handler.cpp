#include "probes/local/process_handler.h"

#include "corekit/log.h"
#include "probes/local/process_match.h"
#include "probes/local/process_walk.h"

CProcessHandler::CProcessHandler() { m_strProcessName = L"360tray.exe"; }

int CProcessHandler::DoDetect() {
  LOG_METHOD_TAG(LOG_LEVEL_INFO, "CProcessHandler::DoDetect", "CProcessHandler::DoDetect");
  CheckProcess();
  return 1;
}

int CProcessHandler::CheckProcess() {
  m_bFound = 0;
  DWORD error = 0;
  const ProcessWalkResult walk = WalkProcesses(
      [this](const PROCESSENTRY32W& entry) {
        if (!IsSameExecutableName(entry.szExeFile, m_strProcessName)) return true;
        m_bFound = 1;
        return false;
      },
      &error);
  if (walk == ProcessWalkResult::kNoSnapshot) {
    LOG_FUNC_TAG(LOG_LEVEL_ERROR, "CProcessHandler::CheckProcess",
                 "CollectTopWindowAndProcess CreateToolhelp32Snapshot err = " << static_cast<unsigned long>(error));
    return 0;
  }
  return 1;
}
