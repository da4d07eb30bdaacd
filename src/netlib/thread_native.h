// The operating system's handle of a std::thread.
#pragma once

#include <thread>

namespace netlib {
void* NativeThreadHandle(std::thread& thread);
}
