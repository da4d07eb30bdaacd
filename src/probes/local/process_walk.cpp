#include "probes/local/process_walk.h"

ProcessWalkResult WalkProcesses(const std::function<bool(const PROCESSENTRY32W&)>& visit, DWORD* error) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError();
    return ProcessWalkResult::kNoSnapshot;
  }
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  ProcessWalkResult result = ProcessWalkResult::kNoEntries;
  if (Process32FirstW(snapshot, &entry)) {
    result = ProcessWalkResult::kWalked;
    do {
      // Toolhelp fills the name within its fixed array; make sure it ends.
      entry.szExeFile[MAX_PATH - 1] = L'\0';
      if (!visit(entry)) break;
    } while (Process32NextW(snapshot, &entry));
  }
  CloseHandle(snapshot);
  return result;
}
