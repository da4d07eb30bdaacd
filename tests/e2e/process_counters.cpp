// Prints the resource counters of the process that owns a window of the given
// class, for the soak script: one "name value" line per counter, "-" where
// the call failed. The values are printed as the system gives them: where a
// call is only a stub (Wine has several) they read 0.
//
//   process_counters <window-class>
//
//   pid            the process id
//   handles        kernel handles (GetProcessHandleCount)
//   system_handles the process's entries in the system's handle list
//                  (NtQuerySystemInformation, extended handle information);
//                  under Wine, the wineserver's handle table of the process,
//                  less the devenum keys below
//   devenum_keys   under Wine only: the key handles Wine's device enumerator
//                  leaks at every enumeration of audio devices or cameras,
//                  whoever the caller: handles to its key
//                  HKCU\Software\Microsoft\ActiveMovie\devenum and to keys
//                  deleted since (it deletes and rewrites its category keys
//                  each time)
//   gdi            GDI objects (GetGuiResources, GR_GDIOBJECTS)
//   user           USER objects (GetGuiResources, GR_USEROBJECTS)
//   gdi_table      under Wine only: the entries in use in the GDI handle table
//                  that Wine keeps in the process's memory and names in its
//                  process environment block (64-bit processes; a 32-bit
//                  process has none there)
//   windows        windows of the process, top-level and child, visible or not
//                  (a part of its USER objects, counted one by one)
//   private_bytes  PROCESS_MEMORY_COUNTERS_EX::PrivateUsage
//   pagefile_bytes PROCESS_MEMORY_COUNTERS::PagefileUsage
//
// Exit code 1 when no window of that class exists, 2 when the process cannot
// be opened.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct WindowCount {
  DWORD pid;
  unsigned long count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param) {
  auto* windows = reinterpret_cast<WindowCount*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == windows->pid) ++windows->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
  auto* windows = reinterpret_cast<WindowCount*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != windows->pid) return TRUE;
  ++windows->count;
  EnumChildWindows(window, CountChild, param);  // walks the whole subtree
  return TRUE;
}

// The windows of the process: its top-level ones on the desktop, its
// message-only ones, and all their children.
unsigned long CountWindows(DWORD pid) {
  WindowCount windows{pid, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows));
  HWND message_only = nullptr;
  while ((message_only = FindWindowExW(HWND_MESSAGE, message_only, nullptr, nullptr)) != nullptr) {
    CountTopLevel(message_only, reinterpret_cast<LPARAM>(&windows));
  }
  return windows.count;
}

// One entry of the system's extended handle list.
struct HandleEntry {
  PVOID object;
  ULONG_PTR process_id;
  ULONG_PTR handle;
  ULONG granted_access;
  USHORT creator_back_trace_index;
  USHORT object_type_index;
  ULONG attributes;
  ULONG reserved;
};

struct HandleList {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

enum class HandleKind { kOther, kKey, kDeletedKey };

// Whether another process's handle is a registry key, and its name if so.
HandleKind KindOf(HANDLE process, ULONG_PTR handle, std::wstring* name) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(handle), GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return HandleKind::kOther;
  }
  HandleKind kind = HandleKind::kOther;
  alignas(UNICODE_STRING) char buffer[2048];
  ULONG length = 0;
  const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer);
  if (NtQueryObject(copy, static_cast<OBJECT_INFORMATION_CLASS>(2), buffer, sizeof(buffer), &length) >= 0 &&
      std::wstring(text->Buffer, text->Length / sizeof(wchar_t)) == L"Key") {
    kind = HandleKind::kDeletedKey;  // a key that is gone has no name
    if (NtQueryObject(copy, static_cast<OBJECT_INFORMATION_CLASS>(1), buffer, sizeof(buffer), &length) >= 0 &&
        text->Length != 0) {
      kind = HandleKind::kKey;
      name->assign(text->Buffer, text->Length / sizeof(wchar_t));
    }
  }
  CloseHandle(copy);
  return kind;
}

bool IsDevenumLeak(HANDLE process, ULONG_PTR handle) {
  static const wchar_t kSuffix[] = L"\\Software\\Microsoft\\ActiveMovie\\devenum";
  const size_t length = sizeof(kSuffix) / sizeof(wchar_t) - 1;
  std::wstring name;
  switch (KindOf(process, handle, &name)) {
    case HandleKind::kDeletedKey:
      return true;
    case HandleKind::kKey:
      return name.size() >= length && _wcsicmp(name.c_str() + name.size() - length, kSuffix) == 0;
    default:
      return false;
  }
}

// How many entries of the system's handle list belong to `pid`, and how
// many of them are Wine's leaked devenum keys (none elsewhere); false when
// the list cannot be read.
bool CountSystemHandles(DWORD pid, HANDLE process, unsigned long long* count, unsigned long long* devenum_keys) {
  auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return false;
  std::string buffer(1 << 16, '\0');
  LONG status = kInfoLengthMismatch;
  for (int attempt = 0; attempt < 8 && status == kInfoLengthMismatch; ++attempt) {
    ULONG needed = 0;
    status = query(kSystemExtendedHandleInformation, &buffer[0], static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch) buffer.resize(needed > buffer.size() ? needed + (1 << 16) : buffer.size() * 2);
  }
  if (status < 0) return false;
  const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
  const size_t room = (buffer.size() - offsetof(HandleList, entries)) / sizeof(HandleEntry);
  if (list->count > room) return false;
  const bool wine = UnderWine();
  *count = 0;
  *devenum_keys = 0;
  for (ULONG_PTR i = 0; i < list->count; ++i) {
    if (list->entries[i].process_id != pid) continue;
    ++*count;
    if (wine && IsDevenumLeak(process, list->entries[i].handle)) ++*devenum_keys;
  }
  return true;
}

// One entry of Wine's GDI handle table; Type is 0 in a free entry.
#pragma pack(push, 1)
struct GdiEntry {
  UINT64 object;
  ULONG owner;
  USHORT unique;
  UCHAR type;
  UCHAR flags;
  UINT64 user_pointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiEntry) == 24, "Wine's GDI handle entry is 24 bytes wide");
constexpr size_t kGdiTableEntries = 0x10000;
// Where the process environment block names the GDI handle table.
constexpr size_t kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;

// The entries in use in the process's GDI handle table as Wine lays it out;
// false elsewhere, or when the process names no table.
bool CountGdiTableEntries(HANDLE process, unsigned long long* count) {
  if (!UnderWine()) return false;
  PROCESS_BASIC_INFORMATION basic{};
  ULONG length = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), &length) < 0) return false;
  void* table = nullptr;
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, static_cast<char*>(static_cast<void*>(basic.PebBaseAddress)) + kPebGdiTableOffset,
                         &table, sizeof(table), &read) ||
      !table) {
    return false;
  }
  std::vector<GdiEntry> entries(kGdiTableEntries);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry), &read)) return false;
  *count = 0;
  for (const GdiEntry& entry : entries) {
    if (entry.type != 0) ++*count;
  }
  return true;
}

void Print(const char* name, bool known, unsigned long long value) {
  if (known) {
    std::printf("%s %llu\n", name, value);
  } else {
    std::printf("%s -\n", name);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: process_counters <window-class>\n");
    return 1;
  }
  HWND window = FindWindowW(argv[1], nullptr);
  if (!window) {
    std::fprintf(stderr, "process_counters: no window of that class\n");
    return 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE, pid);
  if (!process) {
    std::fprintf(stderr, "process_counters: cannot open process %lu (error %lu)\n", pid, GetLastError());
    return 2;
  }
  Print("pid", true, pid);

  DWORD handles = 0;
  const bool have_handles = GetProcessHandleCount(process, &handles) != FALSE;
  Print("handles", have_handles, handles);
  unsigned long long system_handles = 0, devenum_keys = 0;
  const bool have_system_handles = CountSystemHandles(pid, process, &system_handles, &devenum_keys);
  Print("system_handles", have_system_handles, system_handles - devenum_keys);
  Print("devenum_keys", have_system_handles && UnderWine(), devenum_keys);
  Print("gdi", true, GetGuiResources(process, GR_GDIOBJECTS));
  Print("user", true, GetGuiResources(process, GR_USEROBJECTS));
  unsigned long long gdi_table = 0;
  const bool have_gdi_table = CountGdiTableEntries(process, &gdi_table);
  Print("gdi_table", have_gdi_table, gdi_table);
  Print("windows", true, CountWindows(pid));

  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  const bool have_memory =
      GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)) != FALSE;
  Print("private_bytes", have_memory, memory.PrivateUsage);
  Print("pagefile_bytes", have_memory, memory.PagefileUsage);
  CloseHandle(process);
  return 0;
}
