// The loss and round trip to the six media servers check. Its echo series
// start with the run (PreStart), one thread per server, and report through
// a hidden notify window on the thread that made the handler; DoDetect, on
// the detection worker, waits until all have reported or the run is
// cancelled. The findings and their queries are those of
// CServerNetFindings.
#pragma once

#include <windows.h>

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
  // Ends every series and releases a waiting DoDetect.
  void Stop() override;

  // Starts one echo series per server; 1 when they were launched.
  int Start();

  void OnPingUnitStop(CPingUnit* unit) override;
  HWND GetNotifyWnd() override { return m_hNotifyWnd; }

 private:
  // Records server `index` as unreachable: its series could not run.
  void FailServer(size_t index);
  void Finish();

  DWORD m_dwCreateThreadId;
  HANDLE m_hFinishEvent;
  std::vector<std::unique_ptr<CPingUnit>> m_vecPingUnit;  // index i pings server i
  HWND m_hNotifyWnd;
};
