// One HTTP request and its reply over WinHTTP in asynchronous mode. WinHTTP
// reports on threads of its own; each report is handed to the exchange's
// network thread and handled there, one at a time, through the sink.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "netlib/callback_gate.h"
#include "netlib/http_url.h"

class CThreadWrapper;

namespace netlib {

class IExchangeSink {
 public:
  // The request went out: the connection stands.
  virtual void OnExchangeSent() = 0;
  // The reply's status and length (`length` is meaningful when `known`).
  // Returning false ends the exchange: nothing more arrives.
  virtual bool OnExchangeHeaders(int status, uint64_t length, bool known) = 0;
  // A piece of the body; false ends the exchange.
  virtual bool OnExchangeData(const char* data, size_t size) = 0;
  // The body ended, whole (a body shorter than its length is an error).
  virtual void OnExchangeEnd() = 0;
  // WinHTTP failed; `connecting` when no connection was made.
  virtual void OnExchangeError(bool connecting, unsigned long error) = 0;
  // A piece of a streamed body went out (see SendStreamed).
  virtual void OnExchangeWritten(size_t /*size*/) {}

 protected:
  ~IExchangeSink() = default;
};

class CHttpExchange : public std::enable_shared_from_this<CHttpExchange> {
 public:
  CHttpExchange(CThreadWrapper* thread, IExchangeSink* sink);
  ~CHttpExchange();

  // Connects and sends the request. False when WinHTTP refused at once.
  bool Send(const CHttpUrl& url, const std::string& method, const std::string& target, const std::string& body);
  // The same with a body of `length` bytes that follows piece by piece
  // through Write after OnExchangeSent, none of it held here.
  bool SendStreamed(const CHttpUrl& url, const std::string& method, const std::string& target, uint32_t length);
  // Sends the next piece of a streamed body; `data` must stay until
  // OnExchangeWritten. Receive once the whole length went out.
  bool Write(const char* data, size_t size);
  // Asks for the reply, after OnExchangeSent.
  bool Receive();
  // Ends the exchange; no sink call starts after it returns.
  void Close();
  // The reply's Content-Type, as sent; empty without one. Asked from
  // OnExchangeHeaders on.
  std::string ContentType() const;

  CThreadWrapper* Thread() const { return m_pThread; }

  // A report of WinHTTP, on the network thread.
  enum Step { STEP_CHOOSE_PROXY, STEP_SENT, STEP_HEADERS, STEP_DATA_AVAILABLE, STEP_READ, STEP_ERROR, STEP_WRITTEN };
  void OnStep(Step step, DWORD value, DWORD api);

 private:
  // Opens the connection and request handles in `session`.
  bool Open(HINTERNET session);
  bool SendRequest();
  // Sends the request again with the user's default credentials for the
  // proxy; false when the proxy's schemes cannot take them.
  bool LogOnToProxy();
  bool QueryMore();
  void End();
  void Fail(bool connecting, unsigned long error);
  void CloseHandles();

  CThreadWrapper* m_pThread;
  IExchangeSink* m_pSink;
  CCallbackGate m_gate;
  HINTERNET m_hConnect = nullptr;
  HINTERNET m_hRequest = nullptr;
  struct Destination {
    std::wstring host;
    INTERNET_PORT port = 0;
    bool secure = false;
    std::wstring method;
    std::wstring target;
    std::wstring url;  // the whole URL, for the proxy choice
  };
  Destination m_destination;
  DWORD_PTR m_contextValue = 0;
  std::string m_strBody;  // the request body, kept for a resend
  uint32_t m_nStreamLength = 0;  // a streamed body's length
  bool m_bProxyLogonTried = false;
  bool m_bResending = false;  // sent again with credentials: its reply is awaited here
  std::vector<char> m_buffer;
  bool m_bSent = false;
  uint64_t m_nLength = 0;    // the reply's Content-Length, when it has one
  bool m_bLengthKnown = false;
  uint64_t m_nReceived = 0;
};

}  // namespace netlib
