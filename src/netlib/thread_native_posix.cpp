#include "netlib/thread_native.h"

#include <pthread.h>

namespace netlib {
void* NativeThreadHandle(std::thread& thread) {
  return thread.joinable() ? reinterpret_cast<void*>(thread.native_handle()) : nullptr;
}

void NameCurrentThread(const char* name) { pthread_setname_np(pthread_self(), name); }
}  // namespace netlib
