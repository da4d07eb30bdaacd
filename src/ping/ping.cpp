#include "ping/ping.h"

#include <windows.h>

#include <atomic>

#include "corekit/log.h"
#include "ping/echo_sequence.h"
#include "ping/ping_clock.h"

namespace {
constexpr uint32_t kReplyWaitMs = 2000;
constexpr int kReceiveBufferSize = 256;
// Datagrams read per wake-up; more left waiting signal the event again.
constexpr int kMaxReadsPerWake = 64;

std::atomic<EchoSocketOpener> g_socketOpener{nullptr};
}  // namespace

void SetEchoSocketOpener(EchoSocketOpener opener) { g_socketOpener = opener; }

CPing::CPing(const std::string& host) : m_strHost(host) {}

CPing::~CPing() { Close(); }

void CPing::Close() {
  if (m_socket != INVALID_SOCKET) closesocket(m_socket);
  if (m_hEvent != WSA_INVALID_EVENT) WSACloseEvent(m_hEvent);
  m_socket = INVALID_SOCKET;
  m_hEvent = WSA_INVALID_EVENT;
  m_helper.Close();
  m_bIsInitSucc = false;
}

void CPing::Resolve() {
  // Winsock resolves an empty name to this computer, which always answers.
  if (m_strHost.empty()) return;
  const hostent* entry = gethostbyname(m_strHost.c_str());
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0]) return;
  in_addr first;
  memcpy(&first, entry->h_addr_list[0], sizeof(first));
  m_strIP = inet_ntoa(first);
}

int CPing::Init() {
  Close();
  Resolve();
  LOG_METHOD(LOG_LEVEL_INFO, "strIP = " << m_strIP << ", " << m_strHost);
  if (m_strIP.empty()) return 0;
  m_nId = GetCurrentProcessId();
  m_nPeer = inet_addr(m_strIP.c_str());
  const EchoSocketOpener opener = g_socketOpener.load();
  int error = 0;
  m_socket = (opener ? opener : OpenEchoSocket)(m_nPeer, &error);
  if (m_socket == INVALID_SOCKET) {
    // Raw sockets are an administrator's; the ICMP helper is everyone's.
    if (error != WSAEACCES || !m_helper.Open()) return 0;
    m_bIsInitSucc = true;
    LOG_METHOD(LOG_LEVEL_INFO, "echoes to " << m_strIP << " go through the ICMP helper, the raw socket is refused");
    return 1;
  }
  m_hEvent = WSACreateEvent();
  if (m_hEvent == WSA_INVALID_EVENT) {
    LOG_METHOD(LOG_LEVEL_ERROR, "WSACreateEvent failed err = " << WSAGetLastError());
    Close();
    return 0;
  }
  if (WSAEventSelect(m_socket, m_hEvent, FD_READ) != 0) {
    LOG_METHOD(LOG_LEVEL_ERROR, "WSAEventSelect failed err = " << WSAGetLastError());
    Close();
    return 0;
  }
  m_bIsInitSucc = true;
  LOG_METHOD(LOG_LEVEL_INFO, "echoes to " << m_strIP << " go through the raw socket");
  return 1;
}

SOCKET OpenEchoSocket(unsigned long peer, int* error) {
  SOCKET s = WSASocketW(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, 0);
  if (s == INVALID_SOCKET) {
    *error = WSAGetLastError();
    LOG_FUNC(LOG_LEVEL_ERROR, "WSASocket FAILED err = " << *error);
    return INVALID_SOCKET;
  }
  // Connected, the socket is handed only what `peer` sends, instead of
  // every ICMP message of the computer (every other series' answers too).
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = peer;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR) {
    *error = WSAGetLastError();
    LOG_FUNC(LOG_LEVEL_ERROR, "connect of the echo socket failed err = " << *error);
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

int CPing::PingCore(unsigned long address, EchoResult* out, const EchoStop* stop) {
  LOG_METHOD(LOG_LEVEL_INFO, "CPing::PingCore " << m_strHost << ", m_bIsInitSucc = " << (m_bIsInitSucc ? 1 : 0));
  if (address == 0 || !m_bIsInitSucc) return 0;
  if (address != m_nPeer) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CPing::PingCore address is not the one of " << m_strHost);
    return 0;
  }
  // A series stopped while this thread was busy elsewhere (a slow name
  // lookup) sends nothing more.
  if (stop && stop->IsSet()) return 0;
  const EchoExpectation expected = {static_cast<uint16_t>(m_nId & 0xFFFF), NextEchoSequence(), GetPingClockMs()};
  if (m_helper.IsOpen()) {
    switch (m_helper.Echo(address, expected, kReplyWaitMs, out, stop)) {
      case HelperEcho::kAnswered:
        return 1;
      case HelperEcho::kTimedOut:
        LOG_METHOD(LOG_LEVEL_INFO, "Ping Timeout " << m_strHost << ", " << m_strIP);
        return 0;
      case HelperEcho::kStopped:
      case HelperEcho::kFailed:
        return 0;
    }
  }
  BuildEchoRequest(m_pPacket, expected.id, expected.seq, expected.sentMs);

  // The socket is connected to the host, and Winsock refuses sendto on a
  // connected socket.
  if (send(m_socket, reinterpret_cast<const char*>(m_pPacket), sizeof(m_pPacket), 0) == SOCKET_ERROR) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CPing::PingCore send failed " << WSAGetLastError());
    return 0;
  }
  if (!out) return 1;

  const uint32_t untilMs = expected.sentMs + kReplyWaitMs;
  for (;;) {
    switch (WaitForEchoData(m_socket, m_hEvent, untilMs, stop)) {
      case EchoWait::kReadable:
        if (ReceiveAnswer(expected, out)) return 1;
        break;
      case EchoWait::kTimedOut:
        LOG_METHOD(LOG_LEVEL_INFO, "Ping Timeout " << m_strHost << ", " << m_strIP);
        return 0;
      case EchoWait::kStopped:
      case EchoWait::kFailed:
        return 0;
    }
  }
}

EchoWait WaitForEchoData(SOCKET socket, WSAEVENT event, uint32_t untilMs, const EchoStop* stop) {
  // The stop's event wakes the wait; without one the flag is looked at in
  // slices.
  const WSAEVENT events[2] = {event, stop ? stop->Event() : nullptr};
  const DWORD count = events[1] ? 2 : 1;
  const uint32_t longest = stop && !events[1] ? kStopSliceMs : WSA_INFINITE;
  for (;;) {
    if (stop && stop->IsSet()) return EchoWait::kStopped;
    // Differences on the wrapping clock: the time left is "negative" (above
    // half the range) once the deadline has passed.
    const uint32_t left = untilMs - GetPingClockMs();
    if (left == 0 || left > 0x80000000u) return EchoWait::kTimedOut;
    const DWORD woke = WSAWaitForMultipleEvents(count, events, FALSE, left < longest ? left : longest, FALSE);
    if (woke == WSA_WAIT_TIMEOUT || woke == WSA_WAIT_EVENT_0 + 1) continue;
    if (woke != WSA_WAIT_EVENT_0) {
      LOG_FUNC(LOG_LEVEL_ERROR, "WSAWaitForMultipleEvents failed err = " << WSAGetLastError());
      return EchoWait::kFailed;
    }
    WSANETWORKEVENTS events = {};
    if (WSAEnumNetworkEvents(socket, event, &events) != 0) {
      LOG_FUNC(LOG_LEVEL_ERROR, "WSAEnumNetworkEvents failed err = " << WSAGetLastError());
      return EchoWait::kFailed;
    }
    if (events.lNetworkEvents & FD_READ) return EchoWait::kReadable;
  }
}

bool CPing::ReceiveAnswer(const EchoExpectation& expected, EchoResult* out) {
  // Every ICMP message the host sends arrives here: answers to other
  // programs and other series pinging the same host, our own requests on
  // loopback, errors.
  char buffer[kReceiveBufferSize];
  for (int read = 0; read < kMaxReadsPerWake; ++read) {
    const uint32_t receivedMs = GetPingClockMs();
    sockaddr_in from = {};
    int fromLength = sizeof(from);
    const int received = recvfrom(m_socket, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received == SOCKET_ERROR) {
      // WSAEWOULDBLOCK: nothing more waits. WSAEMSGSIZE: a datagram too long
      // to be an answer of ours, cut off; read on.
      if (WSAGetLastError() == WSAEMSGSIZE) continue;
      return false;
    }
    if (ParseEchoReply(reinterpret_cast<const uint8_t*>(buffer), static_cast<size_t>(received), expected,
                       receivedMs, out)) {
      return true;
    }
  }
  return false;
}
