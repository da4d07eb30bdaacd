#include "ping/ping_unit.h"

#include <atomic>
#include <mutex>

#include "corekit/log.h"
#include "netlib/thread_native.h"
#include "ping/ping.h"

namespace {

constexpr DWORD kSpacingMs = 500;

// Waits for `thread` to end, until `deadline` (GetTickCount64 time, or
// kNoDeadline), handling the messages other threads send to this one
// meanwhile. True once it ended.
constexpr ULONGLONG kNoDeadline = ~0ULL;
bool WaitForThreadEnd(HANDLE thread, ULONGLONG deadline) {
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left =
        deadline == kNoDeadline ? INFINITE : (now >= deadline ? 0 : static_cast<DWORD>(deadline - now));
    const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // runs the sent messages
  }
}

}  // namespace

// What the series' thread works on. The thread holds a share of it, so an
// abandoned thread never reaches into a unit that may be gone.
struct CPingUnit::Job {
  Job(CPingUnit* unit, const std::string& target, int pingTimes, int maxFail)
      : pUnit(unit), ping(target), series(pingTimes, maxFail) {}

  void Run();
  CEchoSeries Snapshot() {
    std::lock_guard<std::mutex> lock(mutex);
    return series;
  }

  CPingUnit* const pUnit;  // reached only by whoever claims the report
  CPing ping;              // the thread's alone
  EchoStop stop;
  std::atomic<bool> bReported{false};
  std::mutex mutex;  // the series, between the thread and a stopper that gave up waiting
  CEchoSeries series;
};

void CPingUnit::Job::Run() {
  while (!stop.IsSet() && !series.IsOver()) {
    EchoResult result = {};
    // An engine that could not be set up is set up again at every attempt,
    // name resolution included.
    const bool answered =
        (ping.IsInitSucc() || ping.Init()) && ping.PingCore(inet_addr(ping.GetIP().c_str()), &result, &stop) == 1;
    if (stop.IsSet()) return;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (answered) {
        series.AddAnswer(result);
      } else {
        series.AddFailure();
      }
    }
    if (series.IsOver() || stop.WaitFor(kSpacingMs)) return;
  }
}

CPingUnit::CPingUnit(IPingSink* sink, const std::string& target, int pingTimes)
    : m_pSink(sink), m_strAddr(target), m_nPingTimes(pingTimes), m_series(pingTimes, m_nMaxFail) {}

CPingUnit::~CPingUnit() { Stop(); }

int CPingUnit::Start() {
  Stop();
  m_series = CEchoSeries(m_nPingTimes, m_nMaxFail);
  m_dLossRate = 0.0;
  m_dAvgDelay = 0.0;
  m_pJob = std::make_shared<Job>(this, m_strAddr, m_nPingTimes, m_nMaxFail);
  auto* share = new std::shared_ptr<Job>(m_pJob);
  m_hThread = CreateThread(nullptr, 0, PingThreadProc, share, 0, nullptr);
  if (!m_hThread) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CreateThread failed err = " << static_cast<unsigned long>(GetLastError()));
    delete share;
    m_pJob.reset();
    return 0;
  }
  return 1;
}

DWORD WINAPI CPingUnit::PingThreadProc(void* param) {
  const std::unique_ptr<std::shared_ptr<Job>> share(static_cast<std::shared_ptr<Job>*>(param));
  Job& job = **share;
  netlib::NameCurrentThread("ping series");
  job.Run();
  // A stopped series ends without a report.
  if (!job.stop.IsSet() && !job.bReported.exchange(true)) job.pUnit->OnPingStop(job.Snapshot());
  return 0;
}

void CPingUnit::RequestStop() {
  if (m_pJob) m_pJob->stop.Set();
}

void CPingUnit::Stop() { StopBy(GetTickCount64() + kStopWaitMs); }

void CPingUnit::StopBy(ULONGLONG deadline) {
  if (!m_hThread) return;
  RequestStop();
  if (!WaitForThreadEnd(m_hThread, deadline)) {
    if (m_pJob->bReported.exchange(true)) {
      // The thread is delivering its report to a window of this thread.
      WaitForThreadEnd(m_hThread, kNoDeadline);
    } else {
      LOG_METHOD(LOG_LEVEL_ERROR, "ping thread of " << m_strAddr << " still busy, left to end on its own");
      OnPingStop(m_pJob->Snapshot());
    }
  }
  CloseHandle(m_hThread);
  m_hThread = nullptr;
  m_pJob.reset();
}

void CPingUnit::OnPingStop(const CEchoSeries& series) {
  m_series = series;
  m_dLossRate = series.LossRate();
  m_dAvgDelay = series.AvgDelay();
  LOG_METHOD(LOG_LEVEL_INFO, "Ping Stop addr = " << m_strAddr << ", m_nPingCount = " << series.GetPingCount()
                                                 << ", m_dLossRate = " << m_dLossRate << ", m_dAvgDelay = "
                                                 << m_dAvgDelay << ", m_dJitter = " << series.Jitter() << ", answers = "
                                                 << static_cast<int>(series.GetResults().size()));
  HWND hWnd = m_pSink ? m_pSink->GetNotifyWnd() : nullptr;
  if (!hWnd || !IsWindow(hWnd)) {
    LOG_METHOD(LOG_LEVEL_ERROR, "no notify window, report of " << m_strAddr << " not delivered");
    return;
  }
  SendMessageW(hWnd, WM_PING_STOP, reinterpret_cast<WPARAM>(this), 0);
}
