#include "netlib/http_exchange.h"

#include <cstdlib>

#include "corekit/log.h"
#include "corekit/textconv.h"
#include "netlib/http_proxy.h"
#include "netlib/http_session.h"
#include "netlib/thread.h"

namespace netlib {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;

// WinHTTP's context value of a request: keeps the exchange alive until
// WinHTTP has closed the request handle.
struct Context {
  std::shared_ptr<CHttpExchange> exchange;
};

class StepMsg : public IMsg {
 public:
  StepMsg(std::shared_ptr<CHttpExchange> exchange, CHttpExchange::Step step, DWORD value, DWORD api)
      : m_exchange(std::move(exchange)), m_step(step), m_value(value), m_api(api) {}
  int OnMsg() override {
    m_exchange->OnStep(m_step, m_value, m_api);
    return 0;
  }

 private:
  std::shared_ptr<CHttpExchange> m_exchange;
  CHttpExchange::Step m_step;
  DWORD m_value;
  DWORD m_api;
};

void Post(const std::shared_ptr<CHttpExchange>& exchange, CHttpExchange::Step step, DWORD value, DWORD api = 0) {
  exchange->Thread()->GetMsgQueue()->PostMsg(new StepMsg(exchange, step, value, api));
}

// On WinHTTP's threads: hands each report over to the network thread.
void CALLBACK StatusCallback(HINTERNET, DWORD_PTR contextValue, DWORD status, LPVOID info, DWORD infoLength) {
  Context* context = reinterpret_cast<Context*>(contextValue);
  if (!context) return;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
      Post(context->exchange, CHttpExchange::STEP_SENT, 0);
      break;
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      Post(context->exchange, CHttpExchange::STEP_HEADERS, 0);
      break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      Post(context->exchange, CHttpExchange::STEP_DATA_AVAILABLE, info ? *static_cast<DWORD*>(info) : 0);
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      Post(context->exchange, CHttpExchange::STEP_READ, infoLength);
      break;
    case WINHTTP_CALLBACK_STATUS_WRITE_COMPLETE:
      Post(context->exchange, CHttpExchange::STEP_WRITTEN, info ? *static_cast<DWORD*>(info) : 0);
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
      const auto* result = static_cast<WINHTTP_ASYNC_RESULT*>(info);
      Post(context->exchange, CHttpExchange::STEP_ERROR, result ? result->dwError : ERROR_WINHTTP_INTERNAL_ERROR,
           result ? static_cast<DWORD>(result->dwResult) : 0);
      break;
    }
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      delete context;
      break;
    default:
      break;
  }
}

// Runs one step between the gate's Enter and Leave.
class GateScope {
 public:
  explicit GateScope(CCallbackGate& gate) : m_gate(gate), m_bEntered(gate.Enter()) {}
  ~GateScope() {
    if (m_bEntered) m_gate.Leave();
  }
  bool Entered() const { return m_bEntered; }

 private:
  CCallbackGate& m_gate;
  bool m_bEntered;
};

}  // namespace

CHttpExchange::CHttpExchange(CThreadWrapper* thread, IExchangeSink* sink)
    : m_pThread(thread), m_pSink(sink), m_buffer(kReadChunk) {}

CHttpExchange::~CHttpExchange() { CloseHandles(); }

bool CHttpExchange::Send(const CHttpUrl& url, const std::string& method, const std::string& target,
                         const std::string& body) {
  m_strBody = body;
  m_destination = {corekit::Utf8ToWide(url.GetHost()), static_cast<INTERNET_PORT>(url.GetPort()), url.IsSecure(),
                   corekit::Utf8ToWide(method), corekit::Utf8ToWide(target), corekit::Utf8ToWide(url.GetUrl())};
  if (NeedsProxyChoice()) {
    // Finding the proxy may fetch and run a script: not on the caller's thread.
    Post(shared_from_this(), STEP_CHOOSE_PROXY, 0);
    return true;
  }
  return Open(HttpSession()) && SendRequest();
}

bool CHttpExchange::Open(HINTERNET session) {
  if (!session) return false;
  const Destination& to = m_destination;
  m_hConnect = ::WinHttpConnect(session, to.host.c_str(), to.port, 0);
  if (!m_hConnect) return false;
  m_hRequest = ::WinHttpOpenRequest(m_hConnect, to.method.c_str(), to.target.c_str(), nullptr, WINHTTP_NO_REFERER,
                                    WINHTTP_DEFAULT_ACCEPT_TYPES, to.secure ? WINHTTP_FLAG_SECURE : 0);
  if (!m_hRequest) return false;
  Context* context = new Context{shared_from_this()};
  DWORD_PTR contextValue = reinterpret_cast<DWORD_PTR>(context);
  if (!::WinHttpSetOption(m_hRequest, WINHTTP_OPTION_CONTEXT_VALUE, &contextValue, sizeof(contextValue))) {
    delete context;
    return false;
  }
  // From here on WinHTTP frees the context when the handle closes.
  const DWORD notifications = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;
  if (::WinHttpSetStatusCallback(m_hRequest, StatusCallback, notifications, 0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    return false;
  }
  m_contextValue = contextValue;
  return true;
}

bool CHttpExchange::SendRequest() {
  return ::WinHttpSendRequest(m_hRequest, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                              m_strBody.empty() ? WINHTTP_NO_REQUEST_DATA : &m_strBody[0],
                              static_cast<DWORD>(m_strBody.size()),
                              m_nStreamLength ? m_nStreamLength : static_cast<DWORD>(m_strBody.size()),
                              m_contextValue) != FALSE;
}

bool CHttpExchange::LogOnToProxy() {
  DWORD supported = 0, first = 0, target = 0;
  if (!::WinHttpQueryAuthSchemes(m_hRequest, &supported, &first, &target)) return false;
  // Only these two can log on with the user's own credentials.
  const DWORD scheme = (supported & WINHTTP_AUTH_SCHEME_NEGOTIATE) ? WINHTTP_AUTH_SCHEME_NEGOTIATE
                       : (supported & WINHTTP_AUTH_SCHEME_NTLM)    ? WINHTTP_AUTH_SCHEME_NTLM
                                                                   : 0;
  LOG_METHOD(LOG_LEVEL_INFO, "proxy asks for a logon, schemes = " << static_cast<unsigned long>(supported));
  if (!scheme) return false;
  if (!::WinHttpSetCredentials(m_hRequest, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr, nullptr)) {
    LOG_METHOD(LOG_LEVEL_ERROR, "default credentials refused, error = " << static_cast<unsigned long>(::GetLastError()));
    return false;
  }
  m_bResending = true;
  if (SendRequest()) return true;
  m_bResending = false;
  return false;
}

bool CHttpExchange::SendStreamed(const CHttpUrl& url, const std::string& method, const std::string& target,
                                 uint32_t length) {
  m_nStreamLength = length;
  return Send(url, method, target, std::string());
}

bool CHttpExchange::Write(const char* data, size_t size) {
  return m_hRequest && ::WinHttpWriteData(m_hRequest, data, static_cast<DWORD>(size), nullptr) != FALSE;
}

bool CHttpExchange::Receive() { return m_hRequest && ::WinHttpReceiveResponse(m_hRequest, nullptr) != FALSE; }

void CHttpExchange::Close() {
  m_gate.Close();
  CloseHandles();
}

void CHttpExchange::CloseHandles() {
  HINTERNET request = static_cast<HINTERNET>(::InterlockedExchangePointer(&m_hRequest, nullptr));
  HINTERNET connect = static_cast<HINTERNET>(::InterlockedExchangePointer(&m_hConnect, nullptr));
  if (request) ::WinHttpCloseHandle(request);
  if (connect) ::WinHttpCloseHandle(connect);
}

bool CHttpExchange::QueryMore() { return m_hRequest && ::WinHttpQueryDataAvailable(m_hRequest, nullptr) != FALSE; }

void CHttpExchange::Fail(bool connecting, unsigned long error) {
  CloseHandles();
  m_gate.Close();
  m_pSink->OnExchangeError(connecting, error);
}

void CHttpExchange::End() {
  // WinHTTP ends a body whose connection closed early as if it were whole.
  if (m_bLengthKnown && m_nReceived != m_nLength) {
    LOG_METHOD(LOG_LEVEL_ERROR, "body ended after " << static_cast<unsigned long long>(m_nReceived) << " of "
                                                    << static_cast<unsigned long long>(m_nLength) << " bytes");
    Fail(false, ERROR_WINHTTP_CONNECTION_ERROR);
    return;
  }
  m_gate.Close();
  m_pSink->OnExchangeEnd();
}

std::string CHttpExchange::ContentType() const {
  wchar_t text[256] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  if (!m_hRequest || !::WinHttpQueryHeaders(m_hRequest, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX,
                                            text, &size, WINHTTP_NO_HEADER_INDEX)) {
    return std::string();
  }
  // A header value is ASCII; anything else is dropped.
  std::string type;
  for (const wchar_t* c = text; *c; ++c) {
    if (*c < 0x80) type += static_cast<char>(*c);
  }
  return type;
}

void CHttpExchange::OnStep(Step step, DWORD value, DWORD api) {
  GateScope scope(m_gate);
  if (!scope.Entered()) return;
  switch (step) {
    case STEP_CHOOSE_PROXY: {
      std::wstring proxy;
      HINTERNET session = ChooseProxy(m_destination.url, proxy) ? HttpSessionThrough(proxy) : HttpSession();
      if (!Open(session) || !SendRequest()) Fail(true, ::GetLastError());
      return;
    }
    case STEP_SENT:
      if (m_bResending) {
        m_bResending = false;
        if (!Receive()) Fail(false, ::GetLastError());
        return;
      }
      if (m_bSent) return;
      m_bSent = true;
      m_pSink->OnExchangeSent();
      return;
    case STEP_HEADERS: {
      DWORD status = 0;
      DWORD size = sizeof(status);
      if (!::WinHttpQueryHeaders(m_hRequest, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        Fail(false, ::GetLastError());
        return;
      }
      // A proxy that wants a logon gets the user's own credentials, once.
      if (status == HTTP_STATUS_PROXY_AUTH_REQ && !m_bProxyLogonTried) {
        m_bProxyLogonTried = true;
        if (LogOnToProxy()) return;
      }
      wchar_t text[32] = {};
      DWORD textSize = sizeof(text) - sizeof(wchar_t);
      uint64_t length = 0;
      bool known = false;
      if (::WinHttpQueryHeaders(m_hRequest, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text,
                                &textSize, WINHTTP_NO_HEADER_INDEX)) {
        wchar_t* end = nullptr;
        length = std::wcstoull(text, &end, 10);
        known = end != text && *end == L'\0';
      }
      m_nLength = length;
      m_bLengthKnown = known;
      if (!m_pSink->OnExchangeHeaders(static_cast<int>(status), length, known)) return;
      if (!QueryMore()) Fail(false, ::GetLastError());
      return;
    }
    case STEP_DATA_AVAILABLE:
      if (value == 0) {
        End();
        return;
      }
      if (!::WinHttpReadData(m_hRequest, m_buffer.data(), value < kReadChunk ? value : kReadChunk, nullptr)) {
        Fail(false, ::GetLastError());
      }
      return;
    case STEP_READ:
      if (value == 0) {
        End();
        return;
      }
      m_nReceived += value;
      if (!m_pSink->OnExchangeData(m_buffer.data(), value)) return;
      if (!QueryMore()) Fail(false, ::GetLastError());
      return;
    case STEP_WRITTEN:
      m_pSink->OnExchangeWritten(value);
      return;
    case STEP_ERROR:
      LOG_METHOD(LOG_LEVEL_INFO, "api = " << static_cast<unsigned long>(api) << ", error = "
                                          << static_cast<unsigned long>(value));
      Fail(api == API_SEND_REQUEST, value);
      return;
  }
}

}  // namespace netlib
