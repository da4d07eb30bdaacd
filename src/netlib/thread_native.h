// What the operating system knows of a thread.
#pragma once

#include <thread>

namespace netlib {
// The operating system's handle of a std::thread.
void* NativeThreadHandle(std::thread& thread);
// Names the calling thread for debuggers and profilers (the processor-share
// benchmark tells the threads apart by name). ASCII, at most 15 characters.
void NameCurrentThread(const char* name);
}
