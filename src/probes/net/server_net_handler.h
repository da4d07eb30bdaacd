// The loss and round trip to the six media servers check. Its echo series
// start with the run (PreStart), one thread per server, and report through
// a hidden notify window on the thread that made the handler; DoDetect, on
// the detection worker, waits until all have reported or the run is
// cancelled. When the configuration names them, it then measures download
// and upload speed to the class service, one after the other, so that the
// transfers do not disturb the round trips. The findings and their queries
// are those of CServerNetFindings.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "detect/detect_handler.h"
#include "ping/ping_notify_window.h"
#include "probes/net/server_net_findings.h"

class CPingUnit;

class CServerNetHandler : public IDetectHandler, public IPingSink, public CServerNetFindings {
 public:
  // On the user-interface thread: the servers of the current media-server
  // slots, the limits of "svrdata", the notify window.
  CServerNetHandler();
  ~CServerNetHandler() override;

  int GetType() override { return DETECT_TYPE_SERVER_NET; }
  int DoDetect() override;
  bool IsAsync() override { return true; }
  int PreStart() override { return Start(); }
  // Ends every series and a running transfer, and releases a waiting DoDetect.
  void Stop() override;

  // Starts one echo series per server; 1 when they were launched.
  int Start();

  void OnPingUnitStop(CPingUnit* unit) override;
  HWND GetNotifyWnd() override { return m_hNotifyWnd; }

 private:
  // Records server `index` as unreachable: its series could not run.
  void FailServer(size_t index);
  void Finish();
  // Download, then upload, of the configured addresses (detection worker).
  void MeasureSpeeds();

  DWORD m_dwCreateThreadId;
  HANDLE m_hFinishEvent;
  HANDLE m_hStopEvent;  // manual reset: the run was stopped, no transfer may go on
  std::atomic<bool> m_bMeasuring{false};  // a speed transfer may be running
  std::vector<std::unique_ptr<CPingUnit>> m_vecPingUnit;  // index i pings server i
  HWND m_hNotifyWnd;
};
