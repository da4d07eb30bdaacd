// How the end of an echo series reaches its sink: the series' thread sends
// WM_PING_STOP to a hidden window, so the sink runs on the thread that made
// the window. That thread must pump messages while series run.
#pragma once

#include <windows.h>

class CPingUnit;

// wParam: the CPingUnit whose series ended; lParam: 0.
constexpr UINT WM_PING_STOP = WM_USER + 100;

class IPingSink {
 public:
  // A unit's series ended; its statistics are final.
  virtual void OnPingUnitStop(CPingUnit* unit) = 0;
  // The window that carries the report to the sink's thread.
  virtual HWND GetNotifyWnd() = 0;

 protected:
  ~IPingSink() = default;
};

// Creates the hidden window "KALTO.PingWindow" of class "PingNotifyWindow"
// that hands WM_PING_STOP to `sink`. Null (logged) when it can't be made.
HWND CreatePingNotifyWindow(IPingSink* sink);
