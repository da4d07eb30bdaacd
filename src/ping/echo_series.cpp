#include "ping/echo_series.h"

#include <cstdint>

void CEchoSeries::AddAnswer(const EchoResult& result) {
  ++m_nPingCount;
  m_nConsecutiveFail = 0;
  m_vecResult.push_back(result);
}

void CEchoSeries::AddFailure() {
  ++m_nPingCount;
  ++m_nFailCount;
  ++m_nConsecutiveFail;
}

double CEchoSeries::LossRate() const {
  return m_nPingCount > 0 ? static_cast<double>(m_nFailCount) / m_nPingCount : 0.0;
}

double CEchoSeries::AvgDelay() const {
  if (m_vecResult.empty()) return 0.0;
  int64_t sum = 0;
  for (const EchoResult& result : m_vecResult) sum += result.rttMs;
  return static_cast<double>(sum) / static_cast<double>(m_vecResult.size());
}

double CEchoSeries::Jitter() const {
  if (m_vecResult.size() < 2) return 0.0;
  int64_t sum = 0;
  for (size_t i = 1; i < m_vecResult.size(); ++i) {
    const int64_t step = static_cast<int64_t>(m_vecResult[i].rttMs) - m_vecResult[i - 1].rttMs;
    sum += step < 0 ? -step : step;
  }
  return static_cast<double>(sum) / static_cast<double>(m_vecResult.size() - 1);
}

int LossPercent(int failCount, int pingCount) {
  if (pingCount <= 0 || failCount <= 0) return 0;
  return static_cast<int>(static_cast<int64_t>(failCount) * 100 / pingCount);
}
