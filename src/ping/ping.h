// The echo engine: resolves one host to an IPv4 address, owns one raw ICMP
// socket, sends one echo request at a time and waits for its answer.
// Raw sockets need administrator rights; Winsock must have been started.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "ping/echo_packet.h"

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
  // The wait ends early, with 0, once `stop` is set.
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
