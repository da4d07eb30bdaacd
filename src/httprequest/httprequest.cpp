#include "httprequest/httprequest.h"

#include "corekit/log.h"

namespace {
// Reconnect attempts are one second apart.
const CTimeValueWrapper kRetryInterval(1, 0);
}  // namespace

class CHttpRequest::CallbackScope {
 public:
  explicit CallbackScope(CHttpRequest* request) : m_pRequest(request), m_bEntered(request->m_gate.Enter()) {
    if (m_bEntered) ++m_pRequest->m_nInCallback;
  }
  ~CallbackScope() {
    if (!m_bEntered) return;
    const bool destroy = --m_pRequest->m_nInCallback == 0 && m_pRequest->m_bDestroyPending;
    m_pRequest->m_gate.Leave();
    if (destroy) delete m_pRequest;
  }
  explicit operator bool() const { return m_bEntered; }

 private:
  CHttpRequest* m_pRequest;
  bool m_bEntered;
};

CHttpRequest::CHttpRequest() : m_http_get(nullptr), m_nRetry(0), m_pRequestSink(nullptr), m_pPostData(nullptr), m_bGet(1) {}

CHttpRequest::~CHttpRequest() {
  m_timer.Cancel();
  if (m_http_get) {
    m_http_get->Close(0);
    ReleaseClient();
  }
  if (m_pPostData) m_pPostData->DestroyPackage();
  m_url.Reset();
}

int CHttpRequest::ReleaseReference() {
  const int count = DropReference();
  if (count != 0) return count;
  // Waits for a callback running on another thread; none starts afterwards.
  m_gate.Close();
  if (m_nInCallback > 0) {
    m_bDestroyPending = true;  // released by the sink inside a callback
  } else {
    delete this;
  }
  return 0;
}

int CHttpRequest::Get(const std::string& url, IHttpRequestSink* sink, int retries) {
  return Start(url, sink, retries, true);
}

int CHttpRequest::Post(const std::string& url, CDataPackage& body, IHttpRequestSink* sink, int retries) {
  const int rv = Start(url, sink, retries, false);
  if (rv == HTTP_REQUEST_OK) {
    if (m_pPostData) m_pPostData->DestroyPackage();
    m_pPostData = body.DuplicatePackage();
  }
  return rv;
}

int CHttpRequest::Start(const std::string& url, IHttpRequestSink* sink, int retries, bool get) {
  if (m_url.Get()) {
    LOG_ASSERT_TEXT("m_url.Get() == NULL");
    return HTTP_REQUEST_BUSY;
  }
  CSmartPointer<CHttpUrl> parsed(new CHttpUrl());
  const bool bOK = parsed->Initialize(url);
  if (!bOK) {
    LOG_ASSERT_TEXT(get ? "bOK" : "RV_SUCCEEDED(rv)");
    return HTTP_REQUEST_BAD_URL;
  }
  m_bGet = get ? 1 : 0;
  m_url = parsed;
  // The sink and the attempts are in place before the first callback can come.
  m_pRequestSink = sink;
  m_nRetry = retries;
  if (m_http_get) {
    Send();
  } else {
    const int rv = Connect();
    if (rv != HTTP_REQUEST_OK) {
      m_url.Reset();
      return rv;
    }
  }
  return HTTP_REQUEST_OK;
}

int CHttpRequest::Connect() {
  if (!m_url.Get()) {
    LOG_ASSERT_TEXT("m_url.Get()");
    return HTTP_REQUEST_BAD_URL;
  }
  ReleaseClient();
  IHttpClient* client = nullptr;
  int rv = CHttpManager::Instance()->Client(client, m_url.Get(), 1);
  if (rv == NETLIB_OK) {
    m_http_get = client;
    rv = m_http_get->Open(this);
    if (rv != NETLIB_OK) ReleaseClient();
  }
  if (rv != NETLIB_OK) LOG_ASSERT_TEXT("RV_SUCCEEDED(rv)");
  return rv;
}

int CHttpRequest::Send() {
  if (!m_http_get) {
    LOG_ASSERT_TEXT("m_http_get.Get()");
    return HTTP_REQUEST_BUSY;
  }
  if (m_nRetry > 0) --m_nRetry;
  m_http_get->SetRequestTarget(m_url->GetRequestTarget());
  if (m_bGet || !m_pPostData) {
    m_http_get->SetMethod("GET");
    CDataPackage empty(0, nullptr, 0, 0);
    return m_http_get->SendData(empty);
  }
  m_http_get->SetMethod("POST");
  m_pPostData->SavePackageReadPtr();
  const int rv = m_http_get->SendData(*m_pPostData);
  m_pPostData->RewindPackage(1);
  return rv;
}

void CHttpRequest::ReleaseClient() {
  IHttpClient* client = m_http_get;
  m_http_get = nullptr;
  if (client) client->Release();
}

void CHttpRequest::OnConnect(int result, ITransport* /*transport*/) {
  CallbackScope scope(this);
  if (!scope) return;
  LOG_METHOD(LOG_LEVEL_INFO, "result = " << result << ", m_nRetry = " << m_nRetry);
  if (result == 0) {
    Send();
    return;
  }
  ReleaseClient();
  if (m_nRetry > 0) {
    m_timer.Schedule(this, kRetryInterval, 1);
    --m_nRetry;
    return;
  }
  m_url.Reset();
  if (m_pRequestSink) {
    CDataPackage empty(0, nullptr, 0, 0);
    m_pRequestSink->OnRequestEnd(HTTP_REQUEST_BAD_URL, this, empty);
  }
}

void CHttpRequest::OnReceive(CDataPackage& body, ITransport* transport) {
  CallbackScope scope(this);
  if (!scope) return;
  uint32_t keep = 0;
  if (transport) transport->GetOption(TRANSPORT_OPT_KEEP_CLIENT, &keep);
  int status = 0;
  if (m_http_get) m_http_get->GetStatusCode(status);
  const int result = status == 200 ? HTTP_REQUEST_OK : HTTP_REQUEST_HTTP_ERROR;
  LOG_METHOD(LOG_LEVEL_INFO, "status = " << status << ", length = " << static_cast<unsigned long long>(body.GetPackageLength()));
  if (keep == 0) ReleaseClient();
  m_url.Reset();
  if (m_pPostData) {
    m_pPostData->DestroyPackage();
    m_pPostData = nullptr;
  }
  if (m_pRequestSink) m_pRequestSink->OnRequestEnd(result, this, body);
}

void CHttpRequest::OnSend(ITransport* /*transport*/) { LOG_ASSERT_TEXT("!\"CHttpRequest::OnSend\""); }

void CHttpRequest::OnDisconnect(int reason, ITransport* /*transport*/) {
  CallbackScope scope(this);
  if (!scope) return;
  LOG_METHOD(LOG_LEVEL_INFO, "reason = " << reason << ", m_nRetry = " << m_nRetry);
  ReleaseClient();
  if (m_url.Get() && m_nRetry > 0) m_timer.Schedule(this, kRetryInterval, 1);
}

void CHttpRequest::OnTimer(CTimerWrapper* /*timer*/) {
  CallbackScope scope(this);
  if (scope) Connect();
}
