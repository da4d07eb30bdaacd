// The asynchronous HTTP client of the network library. A client serves one
// URL; its callbacks arrive on one network thread, one at a time, and none
// starts after Close or Release has returned.
#pragma once

#include <string>

#include "corekit/data_package.h"
#include "netlib/http_url.h"

// Error codes of the network library (0 is success).
enum NetlibResult {
  NETLIB_OK = 0,
  NETLIB_ERROR_FAILURE = 10002,     // the operating system refused the operation
  NETLIB_ERROR_INVALID_ARG = 10003,
  NETLIB_ERROR_STATE = 10004,       // not allowed in the object's present state
};

// Transport options.
enum TransportOption {
  // 32-bit value: 1 when the client can send again after this reply, 0 when
  // it is done and should be released.
  TRANSPORT_OPT_KEEP_CLIENT = 316,
};

class ITransport {
 public:
  // Reads an option into `value`; 0 on success.
  virtual int GetOption(int option, void* value) = 0;

 protected:
  ~ITransport() = default;
};

class ITransportSink {
 public:
  // The whole reply body, after the reply ended.
  virtual void OnReceive(CDataPackage& body, ITransport* transport) = 0;
  virtual void OnSend(ITransport* transport) = 0;
  // The connection failed after it stood: the reply did not arrive whole.
  virtual void OnDisconnect(int reason, ITransport* transport) = 0;
  virtual ~ITransportSink() = default;
};

class IHttpClientSink : public ITransportSink {
 public:
  // The outcome of Open: 0 when the connection stands, else an error.
  virtual void OnConnect(int result, ITransport* transport) = 0;
};

class IHttpClient : public ITransport {
 public:
  // Starts connecting; the outcome arrives by OnConnect.
  virtual int Open(IHttpClientSink* sink) = 0;
  virtual int SetRequestTarget(const std::string& target) = 0;
  virtual int SetMethod(const std::string& method) = 0;
  // Sends the request with `body`; the reply arrives by OnReceive.
  virtual int SendData(CDataPackage& body) = 0;
  // The status of the reply just received.
  virtual int GetStatusCode(int& status) = 0;
  // Ends the connection; no callback starts after it returns.
  virtual int Close(int reason) = 0;
  // Drops the holder's claim (closing first); the client is freed once the
  // operating system is done with it.
  virtual int Release() = 0;

 protected:
  ~IHttpClient() = default;
};

class CHttpManager {
 public:
  static CHttpManager* Instance();

  // A new client for `url` in `client`; returns 0, or an error code. Called
  // on a network thread, the client's callbacks run on that same thread;
  // otherwise on the next network thread in turn. `flag` is kept for
  // callers that pass it.
  int Client(IHttpClient*& client, CHttpUrl* url, int flag);

  // The largest reply body a client accepts; a longer one ends as a drop.
  static constexpr size_t kMaxBodyBytes = 1024 * 1024;
};
