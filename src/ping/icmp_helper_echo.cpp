#include "ping/icmp_helper_echo.h"

#include <iphlpapi.h>
#include <icmpapi.h>

#include <memory>

#include "corekit/log.h"

namespace {
// The helper ends a request at its own time-out; this is how much longer
// the series waits for it to say so before it gives up on the request.
constexpr DWORD kHelperGraceMs = 1000;
// The helper writes the ICMP header itself; the data is the rest of the
// raw engine's request: its time stamp and 32 zero bytes.
constexpr size_t kIcmpHeaderSize = 8;
}  // namespace

struct CIcmpHelperEcho::Request {
  Request() : hEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Request() {
    if (hEvent) CloseHandle(hEvent);
  }
  HANDLE hEvent;
  uint8_t packet[kEchoRequestSize] = {};
  // The reply record, the data it carries back, room for an ICMP error
  // message and the I/O status block the system writes at the end.
  alignas(8) uint8_t reply[sizeof(ICMP_ECHO_REPLY) + kEchoRequestSize + 8 + 64] = {};
};

bool CIcmpHelperEcho::Open() {
  Close();
  m_hIcmp = IcmpCreateFile();
  if (m_hIcmp == INVALID_HANDLE_VALUE) {
    LOG_METHOD(LOG_LEVEL_ERROR, "IcmpCreateFile failed err = " << static_cast<unsigned long>(GetLastError()));
    return false;
  }
  return true;
}

void CIcmpHelperEcho::Close() {
  if (m_hIcmp != INVALID_HANDLE_VALUE) IcmpCloseHandle(m_hIcmp);
  m_hIcmp = INVALID_HANDLE_VALUE;
}

HelperEcho CIcmpHelperEcho::Echo(unsigned long address, const EchoExpectation& expected, DWORD waitMs,
                                 EchoResult* out, const EchoStop* stop) {
  std::unique_ptr<Request> request(new Request);
  if (!request->hEvent) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CreateEvent failed err = " << static_cast<unsigned long>(GetLastError()));
    return HelperEcho::kFailed;
  }
  BuildEchoRequest(request->packet, expected.id, expected.seq, expected.sentMs);
  const DWORD replies =
      IcmpSendEcho2(m_hIcmp, request->hEvent, nullptr, nullptr, address, request->packet + kIcmpHeaderSize,
                    static_cast<WORD>(kEchoRequestSize - kIcmpHeaderSize), nullptr, request->reply,
                    sizeof(request->reply), waitMs);
  const DWORD sendError = GetLastError();
  // Sent with an event, the request is under way: the call gives 0 with
  // ERROR_IO_PENDING (documented as returning that code itself).
  const bool pending = (replies == 0 && sendError == ERROR_IO_PENDING) || replies == ERROR_IO_PENDING;
  if (replies == 0 && !pending) {
    LOG_METHOD(LOG_LEVEL_ERROR, "IcmpSendEcho2 failed err = " << static_cast<unsigned long>(sendError));
    return HelperEcho::kFailed;
  }
  if (!out) {
    Abandon(request.release());
    return HelperEcho::kAnswered;
  }

  // Without an event of its own the stop is looked at in slices.
  const HANDLE events[2] = {request->hEvent, stop ? stop->Event() : nullptr};
  const DWORD count = events[1] ? 2 : 1;
  const DWORD slice = stop && !events[1] ? kStopSliceMs : INFINITE;
  const ULONGLONG until = GetTickCount64() + waitMs + kHelperGraceMs;
  while (pending) {
    if (stop && stop->IsSet()) {
      Abandon(request.release());
      return HelperEcho::kStopped;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= until) {
      LOG_METHOD(LOG_LEVEL_ERROR, "the ICMP helper did not end its request");
      Abandon(request.release());
      return HelperEcho::kTimedOut;
    }
    const DWORD left = static_cast<DWORD>(until - now);
    const DWORD woke = WaitForMultipleObjects(count, events, FALSE, left < slice ? left : slice);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_FAILED) {
      LOG_METHOD(LOG_LEVEL_ERROR, "WaitForMultipleObjects failed err = " << static_cast<unsigned long>(GetLastError()));
      Abandon(request.release());
      return HelperEcho::kFailed;
    }
  }

  if (IcmpParseReplies(request->reply, sizeof(request->reply)) == 0) {
    const DWORD status = GetLastError();
    if (status == IP_REQ_TIMED_OUT) return HelperEcho::kTimedOut;
    LOG_METHOD(LOG_LEVEL_ERROR, "no answer through the ICMP helper, status = " << static_cast<unsigned long>(status));
    return HelperEcho::kFailed;
  }
  const auto* reply = reinterpret_cast<const ICMP_ECHO_REPLY*>(request->reply);
  if (reply->Status != IP_SUCCESS) {
    // An error message (unreachable, time exceeded) counts as no answer.
    LOG_METHOD(LOG_LEVEL_INFO, "the ICMP helper got no echo reply, status = " << static_cast<unsigned long>(reply->Status));
    return HelperEcho::kFailed;
  }
  out->seq = expected.seq;
  out->rttMs = static_cast<int32_t>(reply->RoundTripTime);
  // As the raw engine counts them: the message less its first 12 bytes.
  out->bytes = static_cast<int32_t>(reply->DataSize) - static_cast<int32_t>(kEchoHeaderSize - kIcmpHeaderSize);
  out->ttl = reply->Options.Ttl;
  return HelperEcho::kAnswered;
}

void CIcmpHelperEcho::Abandon(Request* request) {
  if (!QueueUserWorkItem(FreeWhenDone, request, WT_EXECUTELONGFUNCTION)) {
    // Freed under the system's writes would be worse than never freed.
    LOG_FUNC(LOG_LEVEL_ERROR, "QueueUserWorkItem failed err = " << static_cast<unsigned long>(GetLastError())
                                                                 << ", an echo buffer is left in memory");
  }
}

DWORD WINAPI CIcmpHelperEcho::FreeWhenDone(void* request) {
  const std::unique_ptr<Request> done(static_cast<Request*>(request));
  // The system sets the event once it has written the reply.
  WaitForSingleObject(done->hEvent, INFINITE);
  return 0;
}
