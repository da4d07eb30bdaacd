// What the media-server check finds: one record per server with its mean
// round trip and loss, the limits they are judged by, and the queries the
// item verdict and the run summary ask. No Windows here: the echo series
// that fill the records live in the handler.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "probes/net/speed_findings.h"
#include "update/media_servers.h"

struct ServerNetInfo {
  std::wstring strName;  // display name, for the summary
  std::string strUrl;    // host name or dotted address that is pinged
  int nDelay = 0;        // mean round trip in ms, truncated
  int nLost = 0;         // loss in percent, truncated
  double dJitter = 0.0;  // mean step between consecutive answered round trips, ms
  int bFinish = 0;       // the server's series has been reported
};

// The limits of the settings item "svrdata".
struct ServerNetLimits {
  int nLostLimit = 1;    // percent
  int nDelayLimit = 35;  // ms
  int nTimes = 100;      // echoes per server
};

// The loss of a server that could not be reached at all.
constexpr int kUnreachableLost = 100;

// The loss in whole percent of a finished echo series. A series that sent no
// echo at all (stopped while its host name was still being resolved)
// reached nothing: it counts as unreachable, not as loss 0.
int ServerLossPercent(int failCount, int pingCount);

// Reads <SvrDetect><ICMP lost="" deley="" times=""/></SvrDetect>. An absent
// attribute keeps its default; bad XML, a missing element, a value that is
// not a number or out of range is logged and keeps the default.
ServerNetLimits ParseServerNetLimits(const std::string& xml);

// The settings item "svrdata" of the resource library, parsed; the defaults
// when it is absent or empty.
ServerNetLimits LoadServerNetLimits();

class CServerNetFindings {
 public:
  // Six servers, in the check's own order (Telecom 1, Unicom 1, Mobile 1,
  // Telecom 2, Unicom 2, Mobile 2), taken from the media-server slots.
  explicit CServerNetFindings(const MediaServerSlots& slots, const ServerNetLimits& limits);

  const std::vector<ServerNetInfo>& GetServerNetInfo() const { return m_vecServerNetInfo; }
  int GetLostLimit() const { return m_nLostLimit; }
  int GetDelayLimit() const { return m_nDelayLimit; }
  int GetTimes() const { return m_nTimes; }
  // Every server has been reported.
  bool IsFinish() const { return m_bFinish; }

  // Records the figures of server `index` (and of every entry with its host)
  // and marks it finished. Returns true when this completed the set, which
  // happens once.
  bool SetServerResult(size_t index, int nDelay, int nLost, double dJitter = 0.0);

  // Servers that never reported count with their zeros.
  int IsAllDelayOK() const;
  int IsAllLostOK() const;
  int GetPassCount() const;
  // Among the servers with the lowest loss, the one with the lowest delay
  // (a later one wins a tie); null when every such delay is above 2000 ms.
  const ServerNetInfo* GetBestServer() const;

  // The connection's speed to the class service, which the check measures
  // after its echo series; not configured by default.
  const SpeedFindings& GetSpeed() const { return m_speed; }
  SpeedFindings& Speed() { return m_speed; }

 private:
  SpeedFindings m_speed;
  std::vector<ServerNetInfo> m_vecServerNetInfo;
  int m_nLostLimit;
  int m_nDelayLimit;
  int m_nTimes;
  // Set on the user-interface thread, read by the detection worker.
  std::atomic<bool> m_bFinish{false};
};
