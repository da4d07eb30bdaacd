// One instance only: kalto.exe started as separate processes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

TEST(SingleInstanceStarting, AnExistingMutexWithoutAWindowEndsTheSecondStart) {
  // As while the first copy is still starting: the mutex exists, its window not yet.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"KALTO.single.instance");
  ASSERT_NE(mutex, nullptr);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  HANDLE second = Launch();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ExitCodeWithin(second, 20000), 0u);
  CloseHandle(second);
  EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
  CloseHandle(mutex);
}

}  // namespace
