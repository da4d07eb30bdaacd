// The request that an echo series end: a flag its thread looks at between
// steps, and an event that wakes its waits at once, so the thread sleeps
// whole intervals instead of waking every few milliseconds to look.
#pragma once

#include <windows.h>

#include <atomic>

class EchoStop {
 public:
  EchoStop();
  ~EchoStop();
  EchoStop(const EchoStop&) = delete;
  EchoStop& operator=(const EchoStop&) = delete;

  void Set();
  bool IsSet() const { return m_bSet; }
  // Signalled once set; null when the event could not be made, and then
  // waits look at the flag in short slices instead.
  HANDLE Event() const { return m_hEvent; }
  // Waits `ms`, or less once set: true when it was set.
  bool WaitFor(DWORD ms) const;

 private:
  std::atomic<bool> m_bSet{false};
  HANDLE m_hEvent;
};

// The longest a wait sleeps without looking at the flag, when there is no
// event to wake it.
constexpr DWORD kStopSliceMs = 100;
