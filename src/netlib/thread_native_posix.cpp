#include "netlib/thread_native.h"

namespace netlib {
void* NativeThreadHandle(std::thread& thread) {
  return thread.joinable() ? reinterpret_cast<void*>(thread.native_handle()) : nullptr;
}
}  // namespace netlib
