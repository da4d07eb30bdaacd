#include "netlib/speed_meter.h"

namespace {

// The least span a rate is taken over.
constexpr int64_t kLeastSpanMs = 100;

int RateKbps(uint64_t bytes, int64_t ms) {
  // Bits per millisecond are kilobits per second.
  return static_cast<int>(static_cast<double>(bytes) * 8.0 / static_cast<double>(ms) + 0.5);
}

}  // namespace

void CSpeedMeter::Add(int64_t nowMs, uint64_t bytes) {
  if (bytes == 0) return;
  m_nTotal += bytes;
  m_nLastMs = nowMs;
  m_nPausedAtLast = m_nPausedMs;
  if (m_nFirstMs < 0) {
    m_nFirstMs = nowMs;
    m_nFirstBytes = bytes;
    m_nWindowMs = nowMs;
    m_nPausedAtWindow = m_nPausedMs;
    return;
  }
  if (nowMs <= m_nFirstMs + kSlowStartMs) {
    m_nWindowMs = nowMs;
    m_nPausedAtWindow = m_nPausedMs;
    return;
  }
  m_nCounted += bytes;
}

CSpeedMeter::Check CSpeedMeter::CheckAt(int64_t nowMs) const {
  if (nowMs - m_nBeginMs >= kLimitMs) return CHECK_ENOUGH;
  const int64_t lastMs = m_nLastMs < 0 ? m_nBeginMs : m_nLastMs;
  return nowMs - lastMs >= kStallMs ? CHECK_STALLED : CHECK_RUNNING;
}

bool CSpeedMeter::Kbps(int& kbps, std::string& reason) const {
  const int64_t span = m_nLastMs - m_nWindowMs - (m_nPausedAtLast - m_nPausedAtWindow);
  if (m_nLastMs - m_nWindowMs >= kSlowStartMs && m_nCounted > 0 && span > 0) {
    kbps = RateKbps(m_nCounted, span);
    return true;
  }
  const uint64_t afterFirst = m_nTotal - m_nFirstBytes;
  if (m_nFirstMs >= 0 && m_nLastMs - m_nFirstMs >= kLeastSpanMs && afterFirst > 0) {
    kbps = RateKbps(afterFirst, m_nLastMs - m_nFirstMs);
    return true;
  }
  reason = m_nTotal == 0 ? "nothing arrived" : "too few bytes to time";
  return false;
}
