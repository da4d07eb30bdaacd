#include "probe_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "corekit/log.h"
#include "sysinfo/wmi_info.h"

namespace probetest {
namespace {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path().wstring();
}

// WMI as start-up connects it: on the main thread, before any check runs.
class WmiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const auto folder = std::filesystem::temp_directory_path() / "kalto_probe_test_log";
    std::filesystem::remove_all(folder);
    CLogWrapper::Instance()->SetDirectory(folder.u8string());
    theWmiInfo.InitWmi();
  }
  void TearDown() override { theWmiInfo.UninitWmi(); }
};

std::string LogPath() { return CLogWrapper::Instance()->GetFilePath(); }

// Where the log stood when the running test began: a test reads only what
// it caused, also when tests are repeated and objects come back at the
// addresses of the last round.
std::streamoff g_testLogStart = 0;

class LogMark : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    std::error_code error;
    const auto size = std::filesystem::file_size(std::filesystem::u8path(LogPath()), error);
    g_testLogStart = error ? 0 : static_cast<std::streamoff>(size);
  }
};

}  // namespace

void RunOnWorker(const std::function<void()>& work) {
  std::thread worker(work);
  worker.join();
}

bool UnderEmulatedLoader() {
  wchar_t value[8] = {};
  DWORD length = ::GetEnvironmentVariableW(L"KALTO_WINE_EMULATED", value, 8);
  return sizeof(void*) == 4 && length == 1 && value[0] == L'1';
}

std::vector<std::string> LogLinesWith(const std::string& text, const void* object) {
  char tag[48] = "";
  if (object) {
    std::snprintf(tag, sizeof(tag), "[this=0x%llx]", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(object)));
  }
  std::ifstream in(std::filesystem::u8path(LogPath()), std::ios::binary);
  in.seekg(g_testLogStart);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (line.find(text) != std::string::npos && line.find(tag) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

void WithoutWmi::SetUp() { theWmiInfo.UninitWmi(); }
void WithoutWmi::TearDown() { theWmiInfo.InitWmi(); }

HelperProcess::HelperProcess(const std::wstring& exeName, const std::wstring& arguments) {
  const auto folder = std::filesystem::temp_directory_path() / ("kalto_helper_" + std::to_string(GetTickCount()) +
                                                                "_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
  std::filesystem::create_directories(folder);
  m_path = (folder / exeName).wstring();
  const std::wstring source = ProgramFolder() + L"\\probe_helper.exe";
  if (!CopyFileW(source.c_str(), m_path.c_str(), FALSE)) return;
  std::wstring commandLine = L"\"" + m_path + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(m_path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &m_info)) {
    m_info = {};
  }
}

long HelperProcess::Wait() {
  if (!m_info.hProcess) return -1;
  WaitForSingleObject(m_info.hProcess, 30000);
  DWORD code = 0;
  return GetExitCodeProcess(m_info.hProcess, &code) ? static_cast<long>(code) : -1;
}

HelperProcess::~HelperProcess() {
  if (m_info.hProcess) {
    TerminateProcess(m_info.hProcess, 0);
    WaitForSingleObject(m_info.hProcess, 5000);
    CloseHandle(m_info.hProcess);
    CloseHandle(m_info.hThread);
  }
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(m_path).parent_path(), ignored);
}

}  // namespace probetest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new probetest::WmiEnvironment);
  ::testing::UnitTest::GetInstance()->listeners().Append(new probetest::LogMark);
  return RUN_ALL_TESTS();
}
