#include <pthread.h>
#include <windows.h>

#include "netlib/thread_native.h"

namespace netlib {
// The threads of the posix thread model are Windows threads underneath.
void* NativeThreadHandle(std::thread& thread) {
  return thread.joinable() ? pthread_gethandle(thread.native_handle()) : nullptr;
}
}  // namespace netlib
