#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

#include "corekit/log_platform.h"

namespace corekit {

// The native build holds only pure logic and its tests: it logs to the folder
// named by KALTO_LOG_DIR, or not at all.
std::string DefaultLogFolder() {
  const char* folder = std::getenv("KALTO_LOG_DIR");
  return folder ? folder : "";
}

unsigned long CurrentThreadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }
unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

}  // namespace corekit
