// What the log needs from the operating system.
#pragma once

#include <string>

namespace corekit {
// The per-user log folder (UTF-8), or empty when it cannot be determined.
std::string DefaultLogFolder();
unsigned long CurrentThreadId();
unsigned long CurrentProcessId();
}  // namespace corekit
