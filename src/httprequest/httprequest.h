// One HTTP GET (or POST) whose whole reply body goes to a sink, with a
// bounded number of reconnect attempts one second apart. Reference counted;
// deletes itself when the last reference goes, and no callback and no report
// runs after that. Its callbacks and its timer run on the network thread of
// its client, one at a time, so its state needs no lock.
#pragma once

#include <string>

#include "corekit/data_package.h"
#include "netlib/callback_gate.h"
#include "netlib/http_client.h"
#include "netlib/reference.h"
#include "netlib/timer.h"

// Result codes of a request.
enum HttpRequestResult {
  HTTP_REQUEST_OK = 0,             // reply with status 200
  HTTP_REQUEST_BAD_URL = 10001,    // URL not usable, or no connection with no attempts left
  HTTP_REQUEST_BUSY = 10015,       // a request is in progress, or no client to send with
  HTTP_REQUEST_HTTP_ERROR = 20013, // reply with any other status
};

class IHttpRequest : public IReferenceControl {
 public:
  virtual ~IHttpRequest() = default;
  virtual int Get(const std::string& url, class IHttpRequestSink* sink, int retries) = 0;
  virtual int Post(const std::string& url, CDataPackage& body, IHttpRequestSink* sink, int retries) = 0;
};

class IHttpRequestSink {
 public:
  // The end of a request: one of the result codes, the request, the reply
  // body (empty on failure). Called at most once per Get or Post.
  virtual void OnRequestEnd(int result, IHttpRequest* request, CDataPackage& body) = 0;

 protected:
  ~IHttpRequestSink() = default;
};

class CHttpRequest : public IHttpRequest,
                     public CReferenceControlT,
                     public IHttpClientSink,
                     public CTimerWrapperSink {
 public:
  CHttpRequest();

  int AddReference() override { return CReferenceControlT::AddReference(); }
  int ReleaseReference() override;

  // Starts a request; 0 when accepted, then exactly one OnRequestEnd unless
  // the last reference goes first. 10015 while busy, 10001 for a bad URL.
  int Get(const std::string& url, IHttpRequestSink* sink, int retries) override;
  int Post(const std::string& url, CDataPackage& body, IHttpRequestSink* sink, int retries) override;

  int Connect();
  int Send();

  // Client and timer callbacks, on the client's network thread.
  void OnConnect(int result, ITransport* transport) override;
  void OnReceive(CDataPackage& body, ITransport* transport) override;
  void OnSend(ITransport* transport) override;
  void OnDisconnect(int reason, ITransport* transport) override;
  void OnTimer(CTimerWrapper* timer) override;

 private:
  // Lets one callback run unless the last reference is gone; deletes the
  // request at its end when the last reference went inside it.
  class CallbackScope;

  ~CHttpRequest() override;
  int Start(const std::string& url, IHttpRequestSink* sink, int retries, bool get);
  void ReleaseClient();

  CSmartPointer<CHttpUrl> m_url;
  IHttpClient* m_http_get;
  int m_nRetry;
  CTimerWrapper m_timer;
  IHttpRequestSink* m_pRequestSink;
  CDataPackage* m_pPostData;
  int m_bGet;
  CCallbackGate m_gate;
  int m_nInCallback = 0;          // callbacks running (on the network thread)
  bool m_bDestroyPending = false;  // the last reference went inside a callback
};
