// The bookkeeping of one echo series: attempts, failures, the answered
// echoes, when the series is over, and its loss and mean round trip.
#pragma once

#include <vector>

#include "ping/echo_packet.h"

class CEchoSeries {
 public:
  // `pingTimes` attempts at most; `maxFail` failures in a row end it early.
  CEchoSeries(int pingTimes, int maxFail) : m_nPingTimes(pingTimes), m_nMaxFail(maxFail) {}

  void AddAnswer(const EchoResult& result);
  void AddFailure();
  bool IsOver() const { return m_nPingCount >= m_nPingTimes || m_nConsecutiveFail >= m_nMaxFail; }

  int GetPingCount() const { return m_nPingCount; }
  int GetFailCount() const { return m_nFailCount; }
  const std::vector<EchoResult>& GetResults() const { return m_vecResult; }

  // Failures over attempts, 0..1; 0 before the first attempt.
  double LossRate() const;
  // Mean round trip of the answered echoes in ms; 0 without an answer.
  double AvgDelay() const;
  // Jitter in ms: the mean absolute difference between the round trips of
  // consecutive answered echoes (failures between them are skipped), as
  // RTP's interarrival jitter without its smoothing; 0 with fewer than two
  // answers.
  double Jitter() const;

 private:
  int m_nPingTimes;
  int m_nMaxFail;
  int m_nPingCount = 0;
  int m_nFailCount = 0;
  int m_nConsecutiveFail = 0;
  std::vector<EchoResult> m_vecResult;
};

// The loss in whole percent, truncated, from the counts themselves: the
// product of the ratio and 100 in floating point can fall just short of a
// whole number (29 of 100 would give 28).
int LossPercent(int failCount, int pingCount);
