// Walks the system's process list (a Toolhelp snapshot).
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <functional>

enum class ProcessWalkResult {
  kNoSnapshot,  // the snapshot could not be taken; see the error code
  kNoEntries,   // the first entry could not be read
  kWalked,
};

// Calls `visit` for each process in snapshot order until it returns false.
// `error` (may be null) receives the system error code of a failed snapshot.
ProcessWalkResult WalkProcesses(const std::function<bool(const PROCESSENTRY32W&)>& visit, DWORD* error);
