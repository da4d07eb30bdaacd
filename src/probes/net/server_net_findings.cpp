#include "probes/net/server_net_findings.h"

#include <tinyxml.h>

#include <algorithm>

#include "corekit/log.h"
#include "ping/echo_series.h"
#include "skinkit/resource_mgr.h"

namespace {

const char kSettingsKey[] = "svrdata";
constexpr int kBestDelayBound = 2000;

// The check's order of the media-server slots.
constexpr MediaServerSlot kServerOrder[] = {SLOT_CTC1, SLOT_CNC1, SLOT_CMC1, SLOT_CTC2, SLOT_CNC2, SLOT_CMC2};

// Reads one integer attribute within [low, high] into `value`.
void ReadLimit(const TiXmlElement& element, const char* name, int low, int high, int& value) {
  int read = 0;
  const int status = element.QueryIntAttribute(name, &read);
  if (status == TIXML_NO_ATTRIBUTE) return;
  if (status != TIXML_SUCCESS || read < low || read > high) {
    const char* text = element.Attribute(name);
    LOG_FUNC(LOG_LEVEL_ERROR, "svrdata bad " << name << " = " << (text ? text : "") << ", keeping " << value);
    return;
  }
  value = read;
}

}  // namespace

int ServerLossPercent(int failCount, int pingCount) {
  return pingCount <= 0 ? kUnreachableLost : LossPercent(failCount, pingCount);
}

ServerNetLimits ParseServerNetLimits(const std::string& xml) {
  ServerNetLimits limits;
  TiXmlDocument document;
  document.Parse(xml.c_str());
  if (document.Error()) {
    LOG_FUNC(LOG_LEVEL_ERROR, "svrdata parse error = " << document.ErrorDesc() << ", using the defaults");
    return limits;
  }
  const TiXmlElement* root = document.FirstChildElement("SvrDetect");
  const TiXmlElement* icmp = root ? root->FirstChildElement("ICMP") : nullptr;
  if (!icmp) {
    LOG_FUNC(LOG_LEVEL_ERROR, "svrdata has no SvrDetect/ICMP, using the defaults");
    return limits;
  }
  ReadLimit(*icmp, "lost", 0, 100, limits.nLostLimit);
  ReadLimit(*icmp, "deley", 0, kBestDelayBound, limits.nDelayLimit);
  // At least one echo: a series of none would measure nothing and pass.
  ReadLimit(*icmp, "times", 1, 100000, limits.nTimes);
  return limits;
}

ServerNetLimits LoadServerNetLimits() {
  unsigned int length = 0;
  if (DllResourceMgr::LoadData(kSettingsKey, nullptr, &length) != 0 || length == 0) {
    LOG_FUNC(LOG_LEVEL_ERROR, "no svrdata, using the defaults");
    return ServerNetLimits();
  }
  std::string xml(length, '\0');
  DllResourceMgr::LoadData(kSettingsKey, &xml[0], &length);
  xml.resize(length);
  return ParseServerNetLimits(xml);
}

CServerNetFindings::CServerNetFindings(const MediaServerSlots& slots, const ServerNetLimits& limits)
    : m_nLostLimit(limits.nLostLimit), m_nDelayLimit(limits.nDelayLimit), m_nTimes(limits.nTimes) {
  for (MediaServerSlot slot : kServerOrder) {
    ServerNetInfo info;
    info.strName = slots[slot].strName;
    info.strUrl = slots[slot].strDomain;
    m_vecServerNetInfo.push_back(info);
  }
}

bool CServerNetFindings::SetServerResult(size_t index, int nDelay, int nLost, double dJitter) {
  if (index >= m_vecServerNetInfo.size()) return false;
  // Entries that name the same host show the latest figures for that host;
  // only the reporting unit's own entry counts as finished, so the set is
  // complete only when every series has ended.
  const std::string host = m_vecServerNetInfo[index].strUrl;
  for (ServerNetInfo& info : m_vecServerNetInfo) {
    if (info.strUrl != host) continue;
    info.nDelay = nDelay;
    info.nLost = nLost;
    info.dJitter = dJitter;
  }
  m_vecServerNetInfo[index].bFinish = 1;
  const bool all = std::all_of(m_vecServerNetInfo.begin(), m_vecServerNetInfo.end(),
                               [](const ServerNetInfo& server) { return server.bFinish != 0; });
  return all && !m_bFinish.exchange(true);
}

int CServerNetFindings::IsAllDelayOK() const {
  return std::all_of(m_vecServerNetInfo.begin(), m_vecServerNetInfo.end(),
                     [this](const ServerNetInfo& server) { return server.nDelay <= m_nDelayLimit; });
}

int CServerNetFindings::IsAllLostOK() const {
  return std::all_of(m_vecServerNetInfo.begin(), m_vecServerNetInfo.end(),
                     [this](const ServerNetInfo& server) { return server.nLost <= m_nLostLimit; });
}

int CServerNetFindings::GetPassCount() const {
  return static_cast<int>(std::count_if(
      m_vecServerNetInfo.begin(), m_vecServerNetInfo.end(),
      [this](const ServerNetInfo& server) { return server.nLost <= m_nLostLimit && server.nDelay <= m_nDelayLimit; }));
}

const ServerNetInfo* CServerNetFindings::GetBestServer() const {
  int lowestLost = 100;
  for (const ServerNetInfo& server : m_vecServerNetInfo) lowestLost = std::min(lowestLost, server.nLost);
  const ServerNetInfo* best = nullptr;
  int bound = kBestDelayBound;
  for (const ServerNetInfo& server : m_vecServerNetInfo) {
    if (server.nLost == lowestLost && server.nDelay <= bound) {
      best = &server;
      bound = server.nDelay;
    }
  }
  return best;
}
