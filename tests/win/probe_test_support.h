// What the probe tests under Wine share: WMI connected on the main thread
// as at start-up, the checks run on a worker thread as in a run, the log
// read back, and stand-in processes started under chosen names.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace probetest {

// Whether this 32-bit program runs under the emulated Wine loader
// (tools/wine-loader.sh), whose system figures differ from a kernel's.
bool UnderEmulatedLoader();

// Runs `work` on a fresh thread and waits for it: the detection worker
// has no COM initialisation of its own.
void RunOnWorker(const std::function<void()>& work);

// The lines the running test added to the log that contain `text`; with
// an object, only the lines that object wrote.
std::vector<std::string> LogLinesWith(const std::string& text, const void* object = nullptr);

// probe_helper.exe (beside the test program) copied under `exeName` into a
// temporary folder and started with `arguments`. The process ends and the
// copy goes when the object does.
class HelperProcess {
 public:
  HelperProcess(const std::wstring& exeName, const std::wstring& arguments);
  ~HelperProcess();
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  bool started() const { return m_info.hProcess != nullptr; }
  // Waits for the process to end; its exit code, or -1.
  long Wait();

 private:
  std::wstring m_path;
  PROCESS_INFORMATION m_info = {};
};

// WMI released for the duration of a test, as when start-up could not
// connect; connected again afterwards.
class WithoutWmi : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace probetest
