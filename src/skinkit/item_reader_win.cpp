#include <windows.h>

#include "skinkit/resource_mgr.h"

namespace skinkit {

// Items are RCDATA resources of the program, named in upper case with every
// character outside letters and digits turned into '_' ("strings.zh_CN" is
// STRINGS_ZH_CN).
DllResourceMgr::ItemReader DefaultItemReader() {
  return [](const std::string& name, std::string& bytes) {
    std::wstring resource;
    for (char c : name) {
      const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      resource += alnum ? static_cast<wchar_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) : L'_';
    }
    HRSRC info = FindResourceW(nullptr, resource.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) return false;
    HGLOBAL handle = LoadResource(nullptr, info);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data) return false;
    bytes.assign(static_cast<const char*>(data), SizeofResource(nullptr, info));
    return true;
  };
}

}  // namespace skinkit
