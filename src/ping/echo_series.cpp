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

int LossPercent(int failCount, int pingCount) {
  if (pingCount <= 0 || failCount <= 0) return 0;
  return static_cast<int>(static_cast<int64_t>(failCount) * 100 / pingCount);
}
