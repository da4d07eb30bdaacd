// The public address, region and carrier check. The request to the address
// service starts with the run (PreStart); DoDetect, on the detection worker,
// waits for its end at most 20 s. The findings are those of CIPSiteFindings;
// CIPSiteFindings::QueryAddressState answers the summary's two questions.
#pragma once

#include <windows.h>

#include "detect/detect_handler.h"
#include "httprequest/httprequest.h"
#include "probes/net/ip_site_findings.h"

class CIPSiteHandler : public IDetectHandler, public IHttpRequestSink, public CIPSiteFindings {
 public:
  // On the user-interface thread: makes the request object and the event.
  CIPSiteHandler();
  ~CIPSiteHandler() override;

  int GetType() override { return DETECT_TYPE_IP_SITE; }
  int DoDetect() override;
  bool IsAsync() override { return true; }
  int PreStart() override;
  // Drops the request (no report follows) and wakes a waiting DoDetect.
  void Stop() override;

  // On a network thread: the end of the request to the address service.
  void OnRequestEnd(int result, IHttpRequest* request, CDataPackage& body) override;

  // True once the check had its end (an answer, a failed request or the
  // time-out of DoDetect); false while it runs or after a cancel cut it short.
  bool IsFinish() const { return m_bFinish == 1; }

  static constexpr DWORD kWaitMilliseconds = 20000;
  static constexpr int kRetries = 5;

 private:
  CHttpRequest* m_pRequest;
  // 1 once the request ended or DoDetect gave up, 3 when Stop cut the wait
  // short first. Once either is set, a later answer is ignored, so the
  // findings never change under the summary's reading.
  LONG volatile m_bFinish;
  // Set by Stop (user-interface thread), read by DoDetect once woken.
  LONG volatile m_bStopped;
  DWORD m_dwCreateThreadId;
  HANDLE m_hFinishEvent;
};
