#include "probes/net/ip_site_handler.h"

#include "corekit/log.h"
#include "update/service_hosts.h"

namespace {
// m_bFinish: the request is running; an answer is being written; finished;
// cut short by Stop before any end.
constexpr LONG kRunning = 0;
constexpr LONG kWriting = 2;
constexpr LONG kFinished = 1;
constexpr LONG kCancelled = 3;
}  // namespace

CIPSiteHandler::CIPSiteHandler()
    : m_pRequest(new CHttpRequest()),
      m_bFinish(kRunning),
      m_bStopped(0),
      m_dwCreateThreadId(::GetCurrentThreadId()),
      m_hFinishEvent(::CreateEventW(nullptr, FALSE, FALSE, L"CIPSiteHandler")) {
  m_pRequest->AddReference();
}

CIPSiteHandler::~CIPSiteHandler() {
  if (m_pRequest) m_pRequest->ReleaseReference();
  if (m_hFinishEvent) ::CloseHandle(m_hFinishEvent);
}

int CIPSiteHandler::PreStart() {
  if (!m_pRequest) return 0;
  m_bFinish = kRunning;
  const int rv = m_pRequest->Get(service_hosts::kAddressUrl, this, kRetries);
  LOG_METHOD(LOG_LEVEL_INFO, "Get = " << rv);
  return rv == 0 ? 1 : 0;
}

int CIPSiteHandler::DoDetect() {
  if (::GetCurrentThreadId() == m_dwCreateThreadId) return 1;
  LOG_METHOD(LOG_LEVEL_INFO, "CIPSiteHandler::DoDetect ");
  if (m_bFinish == kFinished) return 1;
  const DWORD wait = ::WaitForSingleObject(m_hFinishEvent, kWaitMilliseconds);
  // From here no answer may change the findings: claim the end unless an
  // answer has claimed it, and let one that is being written finish first.
  // Woken by Stop, the check had no end of its own: it was cancelled.
  const LONG end = m_bStopped ? kCancelled : kFinished;
  if (::InterlockedCompareExchange(&m_bFinish, end, kRunning) == kWriting) {
    while (m_bFinish != kFinished) ::WaitForSingleObject(m_hFinishEvent, 100);
  }
  LOG_METHOD(LOG_LEVEL_INFO, "wait = " << static_cast<unsigned long>(wait) << ", m_bFinish = "
                                       << static_cast<long>(m_bFinish) << ", m_strClientIp = " << m_strClientIp);
  return 1;
}

void CIPSiteHandler::Stop() {
  ::InterlockedExchange(&m_bStopped, 1);
  if (m_pRequest) {
    m_pRequest->ReleaseReference();
    m_pRequest = nullptr;
  }
  ::SetEvent(m_hFinishEvent);
}

void CIPSiteHandler::OnRequestEnd(int result, IHttpRequest* /*request*/, CDataPackage& body) {
  const std::string text = body.FlattenPackage();
  CIPSiteFindings answer;
  if (result == 0) {
    LOG_METHOD(LOG_LEVEL_INFO, "strdata = " << text);
    if (!answer.ParseAnswer(text)) LOG_METHOD(LOG_LEVEL_ERROR, "the answer is not JSON");
  } else {
    LOG_METHOD(LOG_LEVEL_ERROR, "result = " << result);
  }
  if (::InterlockedCompareExchange(&m_bFinish, kWriting, kRunning) != kRunning) {
    LOG_METHOD(LOG_LEVEL_INFO, "late answer ignored");
    return;
  }
  if (!answer.m_strClientIp.empty()) m_strClientIp = answer.m_strClientIp;
  if (!answer.m_vecRegion.empty()) m_vecRegion = answer.m_vecRegion;
  ::InterlockedExchange(&m_bFinish, kFinished);
  ::SetEvent(m_hFinishEvent);
}
