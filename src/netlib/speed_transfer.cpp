#include "netlib/speed_transfer.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "corekit/log.h"
#include "netlib/http_exchange.h"
#include "netlib/speed_meter.h"
#include "netlib/thread.h"

namespace {

constexpr size_t kPieceBytes = 64 * 1024;
// An upload's POSTs start small, so that a slow line answers its first one
// well within the stall limit, and grow towards a second's worth each, at
// most doubling, so that a fast line is not timed on its connection set-ups.
constexpr uint64_t kFirstPostBytes = 16 * 1024;
constexpr uint64_t kLeastPostBytes = 16 * 1024;
constexpr uint64_t kMostPostBytes = 64 * 1024 * 1024;
constexpr int64_t kPostTargetMs = 1000;
constexpr DWORD kPollMs = 50;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The exchange's reports, on the network thread; the waiting thread reads
// the meter and the end under the same lock.
class CSpeedTransfer final : private netlib::IExchangeSink {
 public:
  CSpeedTransfer(SpeedDirection direction, const CHttpUrl& url, HANDLE done)
      : m_direction(direction),
        m_url(url),
        m_hDone(done),
        m_meter(NowMs()),
        m_piece(direction == SPEED_UPLOAD ? kPieceBytes : 0, 'k') {}

  bool Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return StartExchange();
  }

  // Ends the transfer where it stands; no report runs after it.
  void Close() {
    std::shared_ptr<netlib::CHttpExchange> exchange;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bEnded = true;
      exchange = m_pExchange;
    }
    if (exchange) exchange->Close();
  }

  // Whether the transfer has its end; else whether it has had its time or stalled.
  bool Over() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bEnded) return true;
    const CSpeedMeter::Check check = m_meter.CheckAt(NowMs());
    if (check == CSpeedMeter::CHECK_RUNNING) return false;
    m_bEnded = true;
    if (check == CSpeedMeter::CHECK_STALLED) m_strFailure = "stalled";
    return true;
  }

  void Cancel() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bEnded) m_strFailure = "cancelled";
    m_bEnded = true;
  }

  SpeedOutcome Outcome() {
    std::lock_guard<std::mutex> lock(m_mutex);
    SpeedOutcome outcome;
    outcome.nBytes = m_meter.TotalBytes();
    if (!m_strFailure.empty()) {
      outcome.strReason = m_strFailure;
    } else {
      outcome.bMeasured = m_meter.Kbps(outcome.nKbps, outcome.strReason);
    }
    return outcome;
  }

 private:
  // Sends the GET, or the next POST; under m_mutex. On a refusal the transfer ends.
  bool StartExchange() {
    CThreadWrapper* thread = CThreadWrapper::CurrentNetThread();
    if (!thread) thread = CThreadManager::Instance()->GetNetThread();
    m_pExchange = std::make_shared<netlib::CHttpExchange>(thread, static_cast<netlib::IExchangeSink*>(this));
    m_nPostStartMs = NowMs();
    m_nPostWritten = 0;
    const bool sent = m_direction == SPEED_UPLOAD
                          ? m_pExchange->SendStreamed(m_url, "POST", m_url.GetRequestTarget(),
                                                      static_cast<uint32_t>(m_nPostBytes))
                          : m_pExchange->Send(m_url, "GET", m_url.GetRequestTarget(), std::string());
    if (!sent) EndLocked("WinHTTP refused the request, error = " + std::to_string(::GetLastError()));
    return sent;
  }

  // The transfer's end from a report: `failure` empty when what moved counts.
  void End(const std::string& failure) {
    std::lock_guard<std::mutex> lock(m_mutex);
    EndLocked(failure);
  }
  void EndLocked(const std::string& failure) {
    if (m_bEnded) return;
    m_bEnded = true;
    m_strFailure = failure;
    ::SetEvent(m_hDone);
  }

  // A POST was answered: the next one, sized on how long this one took.
  void NextPost() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bEnded) return;
    m_pExchange->Close();  // its own report: the handles go, no waiting
    const int64_t took = std::max<int64_t>(1, NowMs() - m_nPostStartMs);
    const uint64_t second = m_nPostBytes * kPostTargetMs / static_cast<uint64_t>(took);
    m_nPostBytes = std::min({2 * m_nPostBytes, std::max(second, kLeastPostBytes), kMostPostBytes});
    StartExchange();
  }

  void Moved(uint64_t size) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_meter.Add(NowMs(), size);
  }

  bool WriteNext() {
    const size_t size = static_cast<size_t>(std::min<uint64_t>(m_piece.size(), m_nPostBytes - m_nPostWritten));
    if (size == 0) return m_pExchange->Receive();
    return m_pExchange->Write(m_piece.data(), size);
  }

  void Failed() { End("WinHTTP error = " + std::to_string(::GetLastError())); }

  void OnExchangeSent() override {
    if (m_direction == SPEED_UPLOAD) {
      // A later POST's connection and head are not the line's pace.
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_meter.TotalBytes() > 0) m_meter.Pause(NowMs() - m_nPostStartMs);
      m_nPostStartMs = NowMs();
    }
    if (!(m_direction == SPEED_UPLOAD ? WriteNext() : m_pExchange->Receive())) Failed();
  }

  void OnExchangeWritten(size_t size) override {
    m_nPostWritten += size;
    if (!WriteNext()) Failed();
  }

  bool OnExchangeHeaders(int status, uint64_t /*length*/, bool /*known*/) override {
    if (status != 200) {
      End("HTTP status " + std::to_string(status));
      return false;
    }
    if (m_direction == SPEED_UPLOAD) Moved(m_nPostBytes);
    return true;
  }

  bool OnExchangeData(const char* /*data*/, size_t size) override {
    if (m_direction == SPEED_DOWNLOAD) Moved(size);
    return true;
  }

  void OnExchangeEnd() override {
    if (m_direction == SPEED_UPLOAD) {
      NextPost();
    } else {
      End(std::string());
    }
  }

  void OnExchangeError(bool connecting, unsigned long error) override {
    End(std::string(connecting ? "no connection" : "connection broke off") + ", WinHTTP error = " +
        std::to_string(error));
  }

  const SpeedDirection m_direction;
  const CHttpUrl& m_url;
  const HANDLE m_hDone;
  std::mutex m_mutex;  // the meter, the end and the exchange, which the waiting thread reads
  std::shared_ptr<netlib::CHttpExchange> m_pExchange;
  CSpeedMeter m_meter;
  bool m_bEnded = false;
  std::string m_strFailure;
  const std::vector<char> m_piece;  // an upload's one buffer, sent again and again
  uint64_t m_nPostBytes = kFirstPostBytes;
  uint64_t m_nPostWritten = 0;
  int64_t m_nPostStartMs = 0;  // when the POST began; once its head went out, when that was
};

const char* DirectionName(SpeedDirection direction) { return direction == SPEED_UPLOAD ? "upload" : "download"; }

}  // namespace

SpeedOutcome MeasureSpeed(SpeedDirection direction, const std::string& url, HANDLE cancel) {
  SpeedOutcome outcome;
  CHttpUrl* parsed = new CHttpUrl();
  CSmartPointer<CHttpUrl> hold(parsed);
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!parsed->Initialize(url)) {
    outcome.strReason = "bad URL";
  } else if (!done) {
    outcome.strReason = "no event, error = " + std::to_string(::GetLastError());
  } else {
    LOG_FUNC(LOG_LEVEL_INFO, "measuring " << DirectionName(direction) << ", url = " << url);
    CSpeedTransfer transfer(direction, *parsed, done);
    if (transfer.Start()) {
      const HANDLE events[] = {done, cancel};
      for (;;) {
        const DWORD woken = ::WaitForMultipleObjects(cancel ? 2 : 1, events, FALSE, kPollMs);
        if (woken == WAIT_OBJECT_0 + 1) transfer.Cancel();
        if (woken != WAIT_TIMEOUT || transfer.Over()) break;
      }
    }
    transfer.Close();
    outcome = transfer.Outcome();
  }
  if (done) ::CloseHandle(done);
  if (outcome.bMeasured) {
    LOG_FUNC(LOG_LEVEL_INFO, DirectionName(direction) << " kbps = " << outcome.nKbps << ", bytes = " << outcome.nBytes);
  } else {
    LOG_FUNC(LOG_LEVEL_ERROR, DirectionName(direction) << " not measured: " << outcome.strReason << ", bytes = "
                                                       << outcome.nBytes);
  }
  return outcome;
}
