// What the probe tests under Wine share: WMI connected on the main thread
// as at start-up, the checks run on a worker thread as in a run, the log
// read back, and stand-in processes started under chosen names.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace probetest {

// Runs `work` on a fresh thread and waits for it: the detection worker
// has no COM initialisation of its own.
void RunOnWorker(const std::function<void()>& work);

// The lines of the current log file that contain `text`.
std::vector<std::string> LogLinesWith(const std::string& text);

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

}  // namespace probetest
