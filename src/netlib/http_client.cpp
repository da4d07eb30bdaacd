#include "netlib/http_client.h"

#include <memory>

#include "corekit/log.h"
#include "netlib/http_exchange.h"
#include "netlib/thread.h"

namespace {

// A client of one URL. Open sends the request the URL names with the method
// set so far (GET unless SetMethod came first): WinHTTP connects as it sends,
// so the request going out is what tells that the connection stands. A Send
// of that same request then only asks for the reply; any other request (a
// different target or method, or a body) goes out anew.
class CHttpClient final : public IHttpClient, private netlib::IExchangeSink {
 public:
  CHttpClient(CHttpUrl* url, CThreadWrapper* thread)
      : m_url(url), m_pThread(thread), m_strTarget(url->GetRequestTarget()) {}

  int Open(IHttpClientSink* sink) override {
    if (!sink || m_pExchange) return NETLIB_ERROR_STATE;
    m_pSink = sink;
    return Start(m_strMethod, m_strTarget, std::string(), false) ? NETLIB_OK : NETLIB_ERROR_FAILURE;
  }

  int SetRequestTarget(const std::string& target) override {
    m_strTarget = target.empty() ? "/" : target;
    return NETLIB_OK;
  }
  int SetMethod(const std::string& method) override {
    if (method.empty()) return NETLIB_ERROR_INVALID_ARG;
    m_strMethod = method;
    return NETLIB_OK;
  }

  int SendData(CDataPackage& body) override {
    if (!m_bConnected || m_bReceiving) return NETLIB_ERROR_STATE;
    m_bReceiving = true;
    const std::string data = body.FlattenPackage();
    if (data.empty() && m_strMethod == m_strSentMethod && m_strTarget == m_strSentTarget) {
      return m_pExchange->Receive() ? NETLIB_OK : NETLIB_ERROR_FAILURE;
    }
    m_pExchange->Close();
    return Start(m_strMethod, m_strTarget, data, true) ? NETLIB_OK : NETLIB_ERROR_FAILURE;
  }

  int GetStatusCode(int& status) override {
    status = m_nStatus;
    return NETLIB_OK;
  }

  int GetOption(int option, void* value) override {
    if (option != TRANSPORT_OPT_KEEP_CLIENT || !value) return NETLIB_ERROR_INVALID_ARG;
    *static_cast<uint32_t*>(value) = 0;  // one request per client
    return NETLIB_OK;
  }

  int Close(int /*reason*/) override {
    if (m_pExchange) m_pExchange->Close();
    return NETLIB_OK;
  }

  int Release() override {
    Close(0);
    delete this;
    return NETLIB_OK;
  }

 private:
  bool Start(const std::string& method, const std::string& target, const std::string& body, bool receiveAfterSend) {
    m_pExchange = std::make_shared<netlib::CHttpExchange>(m_pThread, static_cast<netlib::IExchangeSink*>(this));
    m_strSentMethod = method;
    m_strSentTarget = target;
    m_bReceiveAfterSend = receiveAfterSend;
    if (m_pExchange->Send(*m_url.Get(), method, target, body)) return true;
    LOG_METHOD(LOG_LEVEL_ERROR, "WinHTTP refused the request, error = " << static_cast<unsigned long>(::GetLastError()));
    m_pExchange->Close();
    return false;
  }

  // Exchange reports, on the network thread. The user's sink is called last:
  // it may release this client.
  void OnExchangeSent() override {
    if (m_bReceiveAfterSend) {
      if (!m_pExchange->Receive()) Drop(::GetLastError());
      return;
    }
    m_bConnected = true;
    m_pSink->OnConnect(NETLIB_OK, this);
  }

  bool OnExchangeHeaders(int status, uint64_t length, bool known) override {
    m_nStatus = status;
    if (known && length > CHttpManager::kMaxBodyBytes) {
      LOG_METHOD(LOG_LEVEL_ERROR, "reply too long, Content-Length = " << static_cast<unsigned long long>(length));
      m_pExchange->Close();
      Drop(ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW);
      return false;
    }
    return true;
  }

  bool OnExchangeData(const char* data, size_t size) override {
    if (m_body.GetPackageLength() + size > CHttpManager::kMaxBodyBytes) {
      LOG_METHOD(LOG_LEVEL_ERROR, "reply longer than " << static_cast<unsigned long long>(CHttpManager::kMaxBodyBytes));
      m_pExchange->Close();
      Drop(ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW);
      return false;
    }
    m_body.Append(data, size);
    return true;
  }

  void OnExchangeEnd() override {
    CDataPackage body = std::move(m_body);
    m_body = CDataPackage();
    m_bReceiving = false;
    m_pSink->OnReceive(body, this);
  }

  void OnExchangeError(bool connecting, unsigned long error) override {
    if (connecting && !m_bConnected) {
      m_pSink->OnConnect(static_cast<int>(error), this);
      return;
    }
    Drop(error);
  }

  void Drop(unsigned long error) {
    m_bConnected = false;
    m_bReceiving = false;
    m_pSink->OnDisconnect(static_cast<int>(error), this);
  }

  CSmartPointer<CHttpUrl> m_url;
  CThreadWrapper* m_pThread;
  IHttpClientSink* m_pSink = nullptr;
  std::shared_ptr<netlib::CHttpExchange> m_pExchange;
  std::string m_strMethod = "GET";
  std::string m_strTarget;
  std::string m_strSentMethod;
  std::string m_strSentTarget;
  bool m_bReceiveAfterSend = false;
  bool m_bConnected = false;
  bool m_bReceiving = false;
  int m_nStatus = 0;
  CDataPackage m_body;
};

}  // namespace

CHttpManager* CHttpManager::Instance() {
  static CHttpManager manager;
  return &manager;
}

int CHttpManager::Client(IHttpClient*& client, CHttpUrl* url, int /*flag*/) {
  client = nullptr;
  if (!url || url->GetHost().empty()) return NETLIB_ERROR_INVALID_ARG;
  CThreadWrapper* thread = CThreadWrapper::CurrentNetThread();
  if (!thread) thread = CThreadManager::Instance()->GetNetThread();
  client = new CHttpClient(url, thread);
  return NETLIB_OK;
}
