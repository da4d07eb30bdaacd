// The program's entry: the command line read, one instance only, the
// process-wide services, the main window (hidden in a silent run) and its
// message loop, then the services torn down again.
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/delegate_main.h"
#include "app/language.h"
#include "app/report_output.h"
#include "corekit/log.h"
#include "corekit/system_dll.h"
#include "corekit/textconv.h"
#include "report/command_line.h"
#include "skinkit/resource_mgr.h"
#include "sysinfo/wmi_info.h"

namespace {

const wchar_t kInstanceMutex[] = L"KALTO.single.instance";
const wchar_t kMainWindowClass[] = L"kalto.mainwnd";
const UINT kIconResource = 107;

// How long a second start waits for a first copy that is still starting to
// create its window (a slow machine's cold start takes many seconds), and
// then for that window to be shown: a silent run's window never is.
const DWORD kRunningWindowWaitMs = 30000;
const DWORD kHiddenWindowWaitMs = 5000;

// A second start brings the running window forward; false when there is
// none to show: a silent run's window is hidden, and a first copy that is
// still starting may have none yet.
bool BringRunningInstanceForward() {
  HWND running = nullptr;
  for (DWORD waited = 0; !(running = FindWindowW(kMainWindowClass, nullptr)) && waited < kRunningWindowWaitMs;
       waited += 100) {
    Sleep(100);
  }
  for (DWORD waited = 0; running && !IsWindowVisible(running) && waited < kHiddenWindowWaitMs; waited += 100) {
    Sleep(100);
  }
  if (!running || !IsWindowVisible(running)) return false;
  if (IsIconic(running)) ShowWindow(running, SW_SHOWNOACTIVATE);
  SetForegroundWindow(running);
  return true;
}

// Tells the user, who saw no window come forward, that a copy runs already.
void ShowAlreadyRunning() {
  LOG_FUNC_TAG(LOG_LEVEL_INFO, "wWinMain", "another instance runs without a window to show");
  MessageBoxW(nullptr, DllResourceMgr::LoadStringW("s.app.busy"), DllResourceMgr::LoadStringW("s.app.name"),
              MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

// The arguments after the program's name.
std::vector<std::wstring> LaunchArguments() {
  std::vector<std::wstring> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.push_back(argv[i]);
  LocalFree(argv);
  return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int) {
  // Before anything else may load a DLL: never one from the program's folder.
  const bool dllSearchRestricted = corekit::RestrictDllSearchToSystem();
  // Until the start is sure to run, its lines stay in memory: a start that
  // ends at once (the usage, a refused command line or report path, a
  // second copy) answers on the console or on screen, and makes no log
  // file that would push out one of the kept logs.
  CLogWrapper::Instance()->HoldLines();
  LOG_FUNC_TAG(LOG_LEVEL_INFO, "wWinMain", "_tWinMain");

  LaunchRequest request = ParseLaunchArguments(LaunchArguments());
  if (request.mode == LaunchMode::Usage) {
    WriteToConsole(LaunchUsage(), false);
    return 0;
  }
  if (request.mode == LaunchMode::Refused) {
    LOG_FUNC_TAG(LOG_LEVEL_ERROR, "wWinMain", "bad command line: " << corekit::WideToUtf8(request.strError));
    WriteToConsole(L"kalto: " + request.strError + L"\r\n" + LaunchUsage(), true);
    return kExitCouldNotRun;
  }
  const bool silent = request.mode == LaunchMode::SilentReport;
  // A task run as SYSTEM starts in System32 (SysWOW64 for this 32-bit
  // program): a relative path is made whole now, and shown whole.
  if (silent) request.strReportPath = FullReportPath(request.strReportPath);

  const char* language = app::LanguageTagFor(GetSystemDefaultLangID());
  DllResourceMgr::instance()->LoadSkin("kalto", language);

  HANDLE mutex = CreateMutexW(nullptr, TRUE, kInstanceMutex);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    if (silent) {
      LOG_FUNC_TAG(LOG_LEVEL_ERROR, "wWinMain", "another instance runs, no silent run");
      WriteToConsole(L"kalto: another instance is running\r\n", true);
      return kExitCouldNotRun;
    }
    if (!BringRunningInstanceForward()) ShowAlreadyRunning();
    return 0;
  }
  if (silent && !CanWriteReportFile(request.strReportPath)) {
    WriteToConsole(L"kalto: the report cannot be written to " + request.strReportPath + L"\r\n", true);
    if (mutex) CloseHandle(mutex);
    return kExitCouldNotRun;
  }
  CLogWrapper::Instance()->ReleaseLines();
  if (silent) LOG_FUNC_TAG(LOG_LEVEL_INFO, "wWinMain", "report = " << request.strReportPath);

  LOG_FUNC_TAG(LOG_LEVEL_INFO, "wWinMain",
               "DLL search: " << (dllSearchRestricted ? "system folder only"
                                                      : "no SetDefaultDllDirectories, current folder removed"));
  WSADATA wsaData;
  WSAStartup(0x0101, &wsaData);
  theWmiInfo.InitWmi();
  CPaintManagerUI::SetTextResolver([](const std::string& key) { return std::wstring(DllResourceMgr::LoadStringW(key.c_str())); });

  CPaintManagerUI::SetInstance(hInstance);
  CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
  CPaintManagerUI::SetResourceZip(L"skin.zip", false);
  CWndShadow::Initialize(hInstance);

  // Without its main window the program has nothing to wait for: no message
  // loop runs then, and the loop ends whenever that window goes.
  // A silent run's window is never shown, so it never takes the focus.
  DelegateMain* frame = DelegateMain::Instance();
  if (frame && silent) frame->SetSilentReportPath(request.strReportPath);
  const DWORD style = silent ? WS_OVERLAPPEDWINDOW : WS_VISIBLE | WS_OVERLAPPEDWINDOW;
  bool ran = false;
  if (frame && frame->Create(nullptr, DllResourceMgr::LoadStringW("s.app.name"), style, 0, 0, 0, 500, 400, nullptr)) {
    frame->SetIcon(kIconResource);
    frame->CenterWindow();
    if (!silent) frame->ShowWindow(true);
    const HWND window = frame->GetHWND();
    CPaintManagerUI::MessageLoop();
    // The close button and the system menu only end the loop: the window
    // goes here, and with it a running download and its temporary file.
    if (IsWindow(window)) DestroyWindow(window);
    ran = true;
  } else {
    LOG_FUNC_TAG(LOG_LEVEL_ERROR, "wWinMain", "main window not created");
  }

  theWmiInfo.UninitWmi();
  WSACleanup();
  if (mutex) CloseHandle(mutex);
  if (!silent) return 0;
  const int code = ran ? DelegateMain::GetSilentExitCode() : kExitCouldNotRun;
  WriteToConsole((code == kExitCouldNotRun ? L"kalto: no report written to " : L"kalto: report written to ") +
                     request.strReportPath + L"\r\n",
                 code == kExitCouldNotRun);
  return code;
}
