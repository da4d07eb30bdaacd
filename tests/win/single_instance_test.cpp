// kalto.exe started as separate processes: one instance only, a visible
// answer to every start, and a start that asks no standard user for rights.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

const wchar_t kMainWindowClass[] = L"kalto.mainwnd";

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  dir.resize(dir.find_last_of(L'\\') + 1);
  return dir + L"..\\..\\kalto.exe";  // the test runs in build/<preset>/tests/win
}

HANDLE Launch() {
  std::wstring command = L"\"" + ProgramPath() + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

// The exit code, or STILL_ACTIVE when the process did not end within `ms`.
DWORD ExitCodeWithin(HANDLE process, DWORD ms) {
  WaitForSingleObject(process, ms);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process, &code);
  return code;
}

HWND WaitForWindow(DWORD ms) {
  const DWORD start = GetTickCount();
  HWND window = nullptr;
  while (!(window = FindWindowW(kMainWindowClass, nullptr)) && GetTickCount() - start < ms) Sleep(100);
  return window;
}

BOOL CALLBACK CountMainWindow(HWND window, LPARAM counter) {
  wchar_t name[64];
  if (GetClassNameW(window, name, 64) && std::wstring(name) == kMainWindowClass) ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

int CountWindows() {
  int count = 0;
  EnumWindows(CountMainWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

BOOL CALLBACK FindMessageBox(HWND window, LPARAM search) {
  auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(search);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t name[16];
  if (pid != found->first || !IsWindowVisible(window) || !GetClassNameW(window, name, 16) ||
      std::wstring(name) != L"#32770") {
    return TRUE;
  }
  found->second = window;
  return FALSE;
}

// A start that has no window to bring forward says so in a message box,
// and ends once it is closed.
void ExpectAnswerOnScreen(HANDLE process) {
  std::pair<DWORD, HWND> search(GetProcessId(process), nullptr);
  const DWORD start = GetTickCount();
  while (EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&search)) && GetTickCount() - start < 60000) Sleep(100);
  ASSERT_NE(search.second, nullptr) << "no message shown";
  wchar_t text[512] = {};
  GetDlgItemTextW(search.second, 0xFFFF, text, 512);  // the message's static text
  EXPECT_NE(std::wstring(text).find(L"KALTO"), std::wstring::npos) << "the message names the program";
  PostMessageW(search.second, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ExitCodeWithin(process, 20000), 0u);
}

class SingleInstance : public ::testing::Test {
 protected:
  void SetUp() override {
    first_ = Launch();
    ASSERT_NE(first_, nullptr);
    window_ = WaitForWindow(60000);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ExitCodeWithin(first_, 20000), 0u);
    if (ExitCodeWithin(first_, 0) == STILL_ACTIVE) TerminateProcess(first_, 1);
    CloseHandle(first_);
  }
  HANDLE first_ = nullptr;
  HWND window_ = nullptr;
};

TEST_F(SingleInstance, ASecondStartEndsAndBringsTheFirstForward) {
  HANDLE second = Launch();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ExitCodeWithin(second, 20000), 0u);
  CloseHandle(second);
  EXPECT_EQ(CountWindows(), 1);
  EXPECT_EQ(GetForegroundWindow(), window_);
}

TEST_F(SingleInstance, AMinimisedFirstWindowIsRestored) {
  ShowWindow(window_, SW_MINIMIZE);
  Sleep(300);
  ASSERT_TRUE(IsIconic(window_));
  HANDLE second = Launch();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ExitCodeWithin(second, 20000), 0u);
  CloseHandle(second);
  Sleep(300);
  EXPECT_FALSE(IsIconic(window_));
  EXPECT_EQ(CountWindows(), 1);
}

TEST(SingleInstanceStarting, AnExistingMutexWithoutAWindowIsAnsweredOnScreen) {
  // As while the first copy is still starting: the mutex exists, its window
  // not yet; or a silent run holds it, whose window is hidden.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"KALTO.single.instance");
  ASSERT_NE(mutex, nullptr);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  HANDLE second = Launch();
  ASSERT_NE(second, nullptr);
  ExpectAnswerOnScreen(second);
  CloseHandle(second);
  EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kMainWindowClass;
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  HWND hidden = CreateWindowW(kMainWindowClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
  ASSERT_NE(hidden, nullptr);
  second = Launch();
  ASSERT_NE(second, nullptr);
  ExpectAnswerOnScreen(second);
  CloseHandle(second);
  EXPECT_FALSE(IsWindowVisible(hidden)) << "a silent run's window stays hidden";
  DestroyWindow(hidden);
  UnregisterClassW(kMainWindowClass, windowClass.hInstance);
  CloseHandle(mutex);
}

TEST(Elevation, OnlyAnAdministratorIsAskedForRights) {
  // "highestAvailable": an administrator is asked to elevate, a standard
  // user starts as is. (Wine asks nobody, so the manifest is what shows it.)
  HMODULE program = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(program, found))),
                             SizeofResource(program, found));
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"highestAvailable\""), std::string::npos) << manifest;
  FreeLibrary(program);
}

}  // namespace
