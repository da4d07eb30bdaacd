#include "ping/ping.h"

#include <windows.h>

#include "corekit/log.h"
#include "ping/echo_sequence.h"
#include "ping/ping_clock.h"

namespace {
constexpr uint32_t kReplyWaitMs = 2000;
constexpr DWORD kWaitSliceMs = 100;
constexpr int kReceiveBufferSize = 256;
// Datagrams read per wake-up; more left waiting signal the event again.
constexpr int kMaxReadsPerWake = 64;
}  // namespace

CPing::CPing(const std::string& host) : m_strHost(host) {}

CPing::~CPing() { Close(); }

void CPing::Close() {
  if (m_socket != INVALID_SOCKET) closesocket(m_socket);
  if (m_hEvent != WSA_INVALID_EVENT) WSACloseEvent(m_hEvent);
  m_socket = INVALID_SOCKET;
  m_hEvent = WSA_INVALID_EVENT;
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
  m_hEvent = WSACreateEvent();
  m_nId = GetCurrentProcessId();
  m_socket = WSASocketW(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, 0);
  if (m_socket == INVALID_SOCKET || m_hEvent == WSA_INVALID_EVENT) {
    LOG_METHOD(LOG_LEVEL_ERROR, "WSASocket FAILED err = " << WSAGetLastError());
    Close();
    return 0;
  }
  if (WSAEventSelect(m_socket, m_hEvent, FD_READ) != 0) {
    LOG_METHOD(LOG_LEVEL_ERROR, "WSAEventSelect failed err = " << WSAGetLastError());
    Close();
    return 0;
  }
  m_bIsInitSucc = true;
  return 1;
}

int CPing::PingCore(unsigned long address, EchoResult* out, const std::atomic<bool>* stop) {
  LOG_METHOD(LOG_LEVEL_INFO, "CPing::PingCore " << m_strHost << ", m_bIsInitSucc = " << (m_bIsInitSucc ? 1 : 0));
  if (address == 0 || !m_bIsInitSucc) return 0;
  // A series stopped while this thread was busy elsewhere (a slow name
  // lookup) sends nothing more.
  if (stop && *stop) return 0;
  const EchoExpectation expected = {static_cast<uint16_t>(m_nId & 0xFFFF), NextEchoSequence(), GetPingClockMs()};
  BuildEchoRequest(m_pPacket, expected.id, expected.seq, expected.sentMs);

  sockaddr_in target = {};
  target.sin_family = AF_INET;
  target.sin_addr.s_addr = address;
  if (sendto(m_socket, reinterpret_cast<const char*>(m_pPacket), sizeof(m_pPacket), 0,
             reinterpret_cast<const sockaddr*>(&target), sizeof(target)) == SOCKET_ERROR) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CPing::PingCore sendto failed " << WSAGetLastError());
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

EchoWait WaitForEchoData(SOCKET socket, WSAEVENT event, uint32_t untilMs, const std::atomic<bool>* stop) {
  for (;;) {
    if (stop && *stop) return EchoWait::kStopped;
    // Differences on the wrapping clock: the time left is "negative" (above
    // half the range) once the deadline has passed.
    const uint32_t left = untilMs - GetPingClockMs();
    if (left == 0 || left > 0x80000000u) return EchoWait::kTimedOut;
    const DWORD woke = WSAWaitForMultipleEvents(1, &event, FALSE, left < kWaitSliceMs ? left : kWaitSliceMs, FALSE);
    if (woke == WSA_WAIT_TIMEOUT) continue;
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
  // Every ICMP message of the host arrives here: other programs' and other
  // series' answers, our own requests on loopback, errors.
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
