// What the in-process tests of the main window share: the program's skin
// archive and string table, as the program itself sets them up.
#pragma once

#include <windows.h>

#include "skinkit/resource_mgr.h"
#include "ui/ui.h"

namespace testing_support {

inline void UseProgramSkin(const char* language) {
  DllResourceMgr::instance()->LoadSkin("kalto", language);
  CPaintManagerUI::SetTextResolver([](const std::string& key) { return std::wstring(DllResourceMgr::LoadStringW(key.c_str())); });
  CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
  // The test runs in build/<preset>/tests/win; the skin archive lies in build/<preset>.
  CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath() + L"..\\..\\");
  CPaintManagerUI::SetResourceZip(L"skin.zip", false);
  CWndShadow::Initialize(GetModuleHandleW(nullptr));
}

}  // namespace testing_support
