// Helpers of the echo engine's Windows tests: Winsock for the test's life,
// a sink that records the reports of ping units on this thread, and a
// message pump to wait with (the reports arrive through a window of this
// thread, so waiting must pump).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ping/ping_notify_window.h"
#include "update/media_servers.h"

class CPingUnit;

class WinsockSession {
 public:
  WinsockSession() { WSAStartup(0x0101, &m_data); }
  ~WinsockSession() { WSACleanup(); }

 private:
  WSADATA m_data;
};

// A raw ICMP socket that sees every ICMP message of the host.
class IcmpListener {
 public:
  IcmpListener();
  ~IcmpListener();
  IcmpListener(const IcmpListener&) = delete;
  IcmpListener& operator=(const IcmpListener&) = delete;
  bool IsOpen() const { return m_socket != INVALID_SOCKET; }
  // The echo requests of this process seen within `ms`.
  int CountOwnRequests(DWORD ms);

 private:
  SOCKET m_socket;
};

// While it lives, the engines' raw socket to `address` is refused with
// `error` (WSAEACCES: as Windows refuses it to a standard user); other
// addresses get theirs.
class RefusedEchoSocket {
 public:
  RefusedEchoSocket(const char* address, int error);
  ~RefusedEchoSocket();
  RefusedEchoSocket(const RefusedEchoSocket&) = delete;
  RefusedEchoSocket& operator=(const RefusedEchoSocket&) = delete;
};

// Handles this thread's messages until `done` holds or `timeoutMs` passed;
// returns `done`'s last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Handles this thread's messages for `ms`.
void PumpFor(DWORD ms);

class RecordingSink : public IPingSink {
 public:
  RecordingSink() : m_hWnd(CreatePingNotifyWindow(this)) {}
  ~RecordingSink() { DestroyWindow(m_hWnd); }

  void OnPingUnitStop(CPingUnit* unit) override { m_reports.push_back(unit); }
  HWND GetNotifyWnd() override { return m_hWnd; }

  const std::vector<CPingUnit*>& Reports() const { return m_reports; }
  bool WaitForReports(size_t count, DWORD timeoutMs) {
    return PumpUntil([&] { return m_reports.size() >= count; }, timeoutMs);
  }

 private:
  HWND m_hWnd;
  std::vector<CPingUnit*> m_reports;
};

// Media-server slots of the test's choosing, in place of the main window's.
class TestServerSource : public IMediaServerSource {
 public:
  // Hosts in slot order; the default names stay.
  explicit TestServerSource(const std::vector<std::string>& hosts);
  ~TestServerSource() { SetMediaServerSource(nullptr); }
  const MediaServerSlots& GetMediaServers() override { return m_slots; }

 private:
  MediaServerSlots m_slots;
};

// Serves "svrdata" with `times` echoes per server and the default limits.
void ServeServerSettings(int times);
