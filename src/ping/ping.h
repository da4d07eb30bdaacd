// The echo engine: resolves one host to an IPv4 address, owns one raw ICMP
// socket, sends one echo request at a time and waits for its answer.
// Raw sockets need administrator rights; Winsock must have been started.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "ping/echo_packet.h"

// How a wait for data on an echo socket ended.
enum class EchoWait { kReadable, kStopped, kTimedOut, kFailed };

// Waits in 100 ms slices until data can be read on `socket` (whose network
// events signal `event`), `stop` is set, or the ping clock reaches `untilMs`.
// A wait or event query that fails ends it at once with kFailed: retrying
// a call that fails would only spin.
EchoWait WaitForEchoData(SOCKET socket, WSAEVENT event, uint32_t untilMs, const std::atomic<bool>* stop);

class CPing {
 public:
  explicit CPing(const std::string& host);
  ~CPing();
  CPing(const CPing&) = delete;
  CPing& operator=(const CPing&) = delete;

  // Resolves the host and opens the socket: 1 on success, 0 on failure.
  // May be called again after a failure.
  int Init();
  // Sends one request to `address` (IPv4, network order). Without `out`,
  // returns 1 once it is sent. With `out`, waits up to 2000 ms for the
  // answer to this very request and returns 1 with it filled in, else 0.
  // Once `stop` is set it sends nothing, and a wait ends early, with 0.
  int PingCore(unsigned long address, EchoResult* out, const std::atomic<bool>* stop = nullptr);

  bool IsInitSucc() const { return m_bIsInitSucc; }
  const std::string& GetHost() const { return m_strHost; }
  // Dotted address of the host; empty until resolved.
  const std::string& GetIP() const { return m_strIP; }

 private:
  void Resolve();
  void Close();
  // Reads the datagrams waiting on the socket; true once one answers `expected`.
  bool ReceiveAnswer(const EchoExpectation& expected, EchoResult* out);

  SOCKET m_socket = INVALID_SOCKET;
  WSAEVENT m_hEvent = WSA_INVALID_EVENT;
  uint32_t m_nId = 0;
  uint8_t m_pPacket[kEchoRequestSize] = {};
  bool m_bIsInitSucc = false;
  std::string m_strHost;
  std::string m_strIP;
};
