// Echo requests through the system's ICMP helper (IcmpSendEcho2 of the IP
// Helper), which every user may call: the way a series goes when the raw
// socket is refused, as Windows refuses it to a standard user. The system
// picks the identifier and sequence and measures the round trip in whole
// milliseconds; the message on the wire is the raw engine's 44 bytes.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "ping/echo_packet.h"
#include "ping/echo_stop.h"

// How one echo through the helper ended.
enum class HelperEcho { kAnswered, kTimedOut, kStopped, kFailed };

class CIcmpHelperEcho {
 public:
  CIcmpHelperEcho() = default;
  ~CIcmpHelperEcho() { Close(); }
  CIcmpHelperEcho(const CIcmpHelperEcho&) = delete;
  CIcmpHelperEcho& operator=(const CIcmpHelperEcho&) = delete;

  // False (logged) when the helper cannot be opened.
  bool Open();
  void Close();
  bool IsOpen() const { return m_hIcmp != INVALID_HANDLE_VALUE; }

  // Sends the echo request `expected` describes to `address` (IPv4, network
  // order). Without `out` it ends once the request is sent; with it, it
  // waits up to `waitMs` for the answer, or until `stop` is set.
  HelperEcho Echo(unsigned long address, const EchoExpectation& expected, DWORD waitMs, EchoResult* out,
                  const EchoStop* stop);

 private:
  struct Request;
  // A request still in flight keeps its buffer until the system is done
  // with it, waited for on a pool thread, so the series can go at once.
  static void Abandon(Request* request);
  static DWORD WINAPI FreeWhenDone(void* request);

  HANDLE m_hIcmp = INVALID_HANDLE_VALUE;
};
