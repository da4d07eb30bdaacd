// One ping target: runs a series of echoes on a thread of its own, keeps
// the answered ones, and at the end reports loss and mean round trip to its
// sink through the sink's notify window.
//
// Stopping: the thread looks at its stop request between steps, its waits
// wake as soon as the request is made, and it ends without a report. A
// thread still busy after the 2000 ms stop wait (stuck resolving the host)
// is left to end on its own and the stopper reports what was gathered. The
// series' state the thread works on is shared with it, never the unit
// itself, and whoever reports claims the report first, so a unit is
// reported at most once and no thread touches it after its stopper
// reported it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ping/echo_series.h"
#include "ping/ping_notify_window.h"

class CPingUnit {
 public:
  // `pingTimes` echoes to `target` (host name or dotted address); the end
  // of the series is reported to `sink`.
  CPingUnit(IPingSink* sink, const std::string& target, int pingTimes);
  ~CPingUnit();
  CPingUnit(const CPingUnit&) = delete;
  CPingUnit& operator=(const CPingUnit&) = delete;

  // Starts a new series (a running one is stopped first): 1 when its thread
  // runs, 0 otherwise.
  int Start();
  // Asks the series to end without waiting; Stop waits.
  void RequestStop();
  // How long Stop waits for the thread to notice.
  static constexpr DWORD kStopWaitMs = 2000;
  // Ends the series: at most kStopWaitMs for the thread to notice, then the
  // stopper reports in its place. Handles messages sent to this thread
  // meanwhile, so a series delivering its report to this thread's window
  // can finish.
  void Stop();
  // The same, waiting only until `deadline` (a GetTickCount64 time), so
  // that several units stopped together share one wait.
  void StopBy(ULONGLONG deadline);

  const std::string& GetAddr() const { return m_strAddr; }
  // The reported series and its statistics; zeros until reported.
  const CEchoSeries& GetSeries() const { return m_series; }
  double GetLossRate() const { return m_dLossRate; }
  double GetAvgDelay() const { return m_dAvgDelay; }
  // The thread of the current series, null when none was started.
  HANDLE GetThreadHandle() const { return m_hThread; }

 private:
  struct Job;
  static DWORD WINAPI PingThreadProc(void* param);
  // Takes the series as final, logs it and sends it to the sink.
  void OnPingStop(const CEchoSeries& series);

  IPingSink* m_pSink;
  std::string m_strAddr;
  int m_nPingTimes;
  int m_nMaxFail = 5;
  HANDLE m_hThread = nullptr;
  std::shared_ptr<Job> m_pJob;
  CEchoSeries m_series;
  double m_dLossRate = 0.0;
  double m_dAvgDelay = 0.0;
};
