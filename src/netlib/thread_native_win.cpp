#include <pthread.h>
#include <windows.h>

#include <string>

#include "netlib/thread_native.h"

namespace netlib {
// The threads of the posix thread model are Windows threads underneath.
void* NativeThreadHandle(std::thread& thread) {
  return thread.joinable() ? pthread_gethandle(thread.native_handle()) : nullptr;
}

void NameCurrentThread(const char* name) {
  // Windows 10 and later; older systems keep their threads unnamed.
  using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  static const auto setDescription = reinterpret_cast<SetThreadDescriptionFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (!setDescription) return;
  std::wstring wide(name, name + std::char_traits<char>::length(name));
  setDescription(::GetCurrentThread(), wide.c_str());
}
}  // namespace netlib
