#include "probes/net/server_net_handler.h"

#include "corekit/log.h"
#include "detect/delegate_detect.h"
#include "netlib/speed_transfer.h"
#include "ping/echo_series.h"
#include "ping/ping_unit.h"

namespace {

SpeedFigure Measure(SpeedDirection direction, const std::string& url, HANDLE stop) {
  SpeedFigure figure;
  if (url.empty()) {
    figure.strReason = "no address configured";
    return figure;
  }
  DelegateDetect::Instance()->ReportStage(direction == SPEED_UPLOAD ? "s.detect.speed.up.running"
                                                                    : "s.detect.speed.down.running");
  const SpeedOutcome outcome = MeasureSpeed(direction, url, stop);
  figure.bMeasured = outcome.bMeasured;
  figure.nKbps = outcome.nKbps;
  figure.strReason = outcome.strReason;
  return figure;
}

}  // namespace

CServerNetHandler::CServerNetHandler()
    : CServerNetFindings(CurrentMediaServers(), LoadServerNetLimits()),
      m_dwCreateThreadId(GetCurrentThreadId()),
      // Unnamed: the event only ever links threads of this handler.
      m_hFinishEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hNotifyWnd(CreatePingNotifyWindow(this)) {
  LOG_METHOD(LOG_LEVEL_INFO, "lost = " << GetLostLimit() << ", deley = " << GetDelayLimit()
                                       << ", times = " << GetTimes());
  Speed().settings = CurrentSpeedSettings();
}

CServerNetHandler::~CServerNetHandler() {
  Stop();
  if (m_hFinishEvent) CloseHandle(m_hFinishEvent);
  if (m_hStopEvent) CloseHandle(m_hStopEvent);
  if (m_hNotifyWnd) DestroyWindow(m_hNotifyWnd);
}

int CServerNetHandler::Start() {
  const std::vector<ServerNetInfo>& servers = GetServerNetInfo();
  LOG_METHOD(LOG_LEVEL_INFO, "CServerNetHandler::Start m_vecServerNetInfo.size() =" << static_cast<int>(servers.size()));
  for (size_t i = 0; i < servers.size(); ++i) {
    m_vecPingUnit.push_back(std::make_unique<CPingUnit>(this, servers[i].strUrl, GetTimes()));
    LOG_METHOD(LOG_LEVEL_INFO, "CServerNetHandler::Start m_vecServerNetInfo[" << static_cast<int>(i)
                                   << "]->strUrl =" << servers[i].strUrl);
  }
  // Without the window no report could arrive and DoDetect would wait for ever.
  for (size_t i = 0; i < m_vecPingUnit.size(); ++i) {
    if (!m_hNotifyWnd || !m_vecPingUnit[i]->Start()) FailServer(i);
  }
  return 1;
}

void CServerNetHandler::FailServer(size_t index) {
  LOG_METHOD(LOG_LEVEL_ERROR, "no echo series for " << GetServerNetInfo()[index].strUrl);
  if (SetServerResult(index, 0, kUnreachableLost)) Finish();
}

void CServerNetHandler::OnPingUnitStop(CPingUnit* unit) {
  if (!unit) return;
  for (size_t i = 0; i < m_vecPingUnit.size(); ++i) {
    if (m_vecPingUnit[i].get() != unit) continue;
    const CEchoSeries& series = unit->GetSeries();
    const int nLost = ServerLossPercent(series.GetFailCount(), series.GetPingCount());
    const int nDelay = static_cast<int>(unit->GetAvgDelay());
    const double dJitter = series.Jitter();
    LOG_METHOD(LOG_LEVEL_INFO, "server " << unit->GetAddr() << " nDelay = " << nDelay << ", nLost = " << nLost
                                         << ", dJitter = " << dJitter);
    if (SetServerResult(i, nDelay, nLost, dJitter)) Finish();
    return;
  }
  LOG_METHOD(LOG_LEVEL_ERROR, "report of an unknown ping unit ignored");
}

void CServerNetHandler::Finish() {
  LOG_METHOD(LOG_LEVEL_INFO, "every media server reported");
  SetEvent(m_hFinishEvent);
}

int CServerNetHandler::DoDetect() {
  // On the thread that runs the sink a wait could never end.
  if (GetCurrentThreadId() == m_dwCreateThreadId) return 1;
  LOG_METHOD(LOG_LEVEL_INFO, "CServerNetHandler::DoDetect()");
  if (!IsFinish()) WaitForSingleObject(m_hFinishEvent, INFINITE);
  if (GetSpeed().IsConfigured() && IsFinish()) MeasureSpeeds();
  return 1;
}

void CServerNetHandler::MeasureSpeeds() {
  m_bMeasuring = true;
  for (SpeedDirection direction : {SPEED_DOWNLOAD, SPEED_UPLOAD}) {
    SpeedFindings& speed = Speed();
    SpeedFigure& figure = direction == SPEED_UPLOAD ? speed.up : speed.down;
    if (WaitForSingleObject(m_hStopEvent, 0) == WAIT_OBJECT_0) {
      figure.strReason = "cancelled";
      continue;
    }
    figure = Measure(direction, direction == SPEED_UPLOAD ? speed.settings.strUploadUrl : speed.settings.strSpeedUrl,
                     m_hStopEvent);
  }
  m_bMeasuring = false;
}

void CServerNetHandler::Stop() {
  // Ask them all first, so their ends overlap, and give them one wait
  // together: threads stuck in name lookups must not hold the window for
  // one full wait each.
  for (const auto& unit : m_vecPingUnit) unit->RequestStop();
  const ULONGLONG deadline = GetTickCount64() + CPingUnit::kStopWaitMs;
  for (const auto& unit : m_vecPingUnit) unit->StopBy(deadline);
  m_vecPingUnit.clear();
  if (m_bMeasuring) LOG_METHOD(LOG_LEVEL_INFO, "stopping the speed measurement");
  if (m_hStopEvent) SetEvent(m_hStopEvent);
  SetEvent(m_hFinishEvent);
}
