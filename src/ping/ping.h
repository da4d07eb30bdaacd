// The echo engine: resolves one host to an IPv4 address, owns one raw ICMP
// socket, sends one echo request at a time and waits for its answer.
// Raw sockets need administrator rights; where the socket is refused for
// want of them, the echoes go through the system's ICMP helper instead,
// with the same waits and results. Winsock must have been started.
// A raw ICMP socket is handed every ICMP message of the computer; the
// engine's socket is connected to its host, so that the system passes on
// only that host's messages and a series wakes for little else.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>

#include "ping/echo_packet.h"
#include "ping/echo_stop.h"
#include "ping/icmp_helper_echo.h"

// How a wait for data on an echo socket ended.
enum class EchoWait { kReadable, kStopped, kTimedOut, kFailed };

// Waits until data can be read on `socket` (whose network events signal
// `event`), `stop` is set, or the ping clock reaches `untilMs`; it sleeps
// until one of them happens. A wait or event query that fails ends it at
// once with kFailed: retrying a call that fails would only spin.
EchoWait WaitForEchoData(SOCKET socket, WSAEVENT event, uint32_t untilMs, const EchoStop* stop);

// A raw ICMP socket that receives only the messages from `peer` (IPv4,
// network order); INVALID_SOCKET (logged) when it cannot be made, with the
// Winsock error in `error`.
SOCKET OpenEchoSocket(unsigned long peer, int* error);

// How engines open their raw socket: OpenEchoSocket, unless a test puts a
// stand-in in its place (null puts it back).
using EchoSocketOpener = SOCKET (*)(unsigned long peer, int* error);
void SetEchoSocketOpener(EchoSocketOpener opener);

class CPing {
 public:
  explicit CPing(const std::string& host);
  ~CPing();
  CPing(const CPing&) = delete;
  CPing& operator=(const CPing&) = delete;

  // Resolves the host and opens the socket for its address, or the ICMP
  // helper when the socket is refused with WSAEACCES: 1 on success, 0 on
  // failure. May be called again after a failure.
  int Init();
  // Sends one request to `address` (IPv4, network order), which must be
  // the resolved host's: any other gives 0. Without `out`, returns 1 once it
  // is sent. With `out`, waits up to 2000 ms for the answer to this very
  // request and returns 1 with it filled in, else 0. Once `stop` is set it
  // sends nothing, and a wait ends early, with 0.
  int PingCore(unsigned long address, EchoResult* out, const EchoStop* stop = nullptr);

  bool IsInitSucc() const { return m_bIsInitSucc; }
  // Whether the echoes go through the ICMP helper rather than the socket.
  bool UsesIcmpHelper() const { return m_helper.IsOpen(); }
  const std::string& GetHost() const { return m_strHost; }
  // Dotted address of the host; empty until resolved.
  const std::string& GetIP() const { return m_strIP; }

 private:
  void Resolve();
  void Close();
  // Reads the datagrams waiting on the socket; true once one answers `expected`.
  bool ReceiveAnswer(const EchoExpectation& expected, EchoResult* out);

  SOCKET m_socket = INVALID_SOCKET;
  CIcmpHelperEcho m_helper;  // open only when the socket was refused
  WSAEVENT m_hEvent = WSA_INVALID_EVENT;
  unsigned long m_nPeer = 0;  // the host's address, network order
  uint32_t m_nId = 0;
  uint8_t m_pPacket[kEchoRequestSize] = {};
  bool m_bIsInitSucc = false;
  std::string m_strHost;
  std::string m_strIP;
};
