// The program's entry: one instance only, the process-wide services, the
// main window and its message loop, then the services torn down again.
#include <winsock2.h>
#include <windows.h>

#include "app/delegate_main.h"
#include "app/language.h"
#include "corekit/log.h"
#include "skinkit/resource_mgr.h"
#include "sysinfo/wmi_info.h"

namespace {

const wchar_t kInstanceMutex[] = L"KALTO.single.instance";
const wchar_t kMainWindowClass[] = L"kalto.mainwnd";
const UINT kIconResource = 107;

// A second start brings the running window forward and ends.
void BringRunningInstanceForward() {
  HWND running = FindWindowW(kMainWindowClass, nullptr);
  if (!running) return;
  if (IsIconic(running)) ShowWindow(running, SW_SHOWNOACTIVATE);
  SetForegroundWindow(running);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int) {
  LOG_FUNC_TAG(LOG_LEVEL_INFO, "wWinMain", "_tWinMain");

  HANDLE mutex = CreateMutexW(nullptr, TRUE, kInstanceMutex);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    BringRunningInstanceForward();
    return 0;
  }

  WSADATA wsaData;
  WSAStartup(0x0101, &wsaData);
  theWmiInfo.InitWmi();

  const char* language = app::LanguageTagFor(GetSystemDefaultLangID());
  DllResourceMgr::instance()->LoadSkin("kalto", language);
  CPaintManagerUI::SetTextResolver([](const std::string& key) { return std::wstring(DllResourceMgr::LoadStringW(key.c_str())); });

  CPaintManagerUI::SetInstance(hInstance);
  CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
  CPaintManagerUI::SetResourceZip(L"skin.zip", false);
  CWndShadow::Initialize(hInstance);

  // Without its main window the program has nothing to wait for: no message
  // loop runs then, and the loop ends whenever that window goes.
  DelegateMain* frame = DelegateMain::Instance();
  if (frame && frame->Create(nullptr, DllResourceMgr::LoadStringW("s.app.name"), WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0,
                             0, 0, 500, 400, nullptr)) {
    frame->SetIcon(kIconResource);
    frame->CenterWindow();
    frame->ShowWindow(true);
    CPaintManagerUI::MessageLoop();
  } else {
    LOG_FUNC_TAG(LOG_LEVEL_ERROR, "wWinMain", "main window not created");
  }

  theWmiInfo.UninitWmi();
  WSACleanup();
  if (mutex) CloseHandle(mutex);
  return 0;
}
