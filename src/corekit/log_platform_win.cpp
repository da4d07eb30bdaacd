#include <windows.h>

#include "corekit/log_platform.h"
#include "corekit/user_folder.h"

namespace corekit {

std::string DefaultLogFolder() {
  const std::string folder = UserDataFolder();
  return folder.empty() ? folder : folder + "\\log";
}

unsigned long CurrentThreadId() { return GetCurrentThreadId(); }
unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace corekit
