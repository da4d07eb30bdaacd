// One-shot and repeating timers of the network library. A timer scheduled on
// a network thread fires on that thread, between the thread's other work, so
// the objects of that thread need no lock; any other timer fires on the
// library's timer thread.
#pragma once

#include <cstdint>
#include <memory>

#include "corekit/time_value.h"

class CTimerWrapper;

class CTimerWrapperSink {
 public:
  virtual void OnTimer(CTimerWrapper* timer) = 0;
  virtual ~CTimerWrapperSink() = default;
};

class CTimerWrapper {
 public:
  CTimerWrapper();
  ~CTimerWrapper();  // cancels
  CTimerWrapper(const CTimerWrapper&) = delete;
  CTimerWrapper& operator=(const CTimerWrapper&) = delete;

  // Calls sink->OnTimer after `interval`, `count` times (0: until
  // cancelled), `interval` apart (at least 10 ms when repeating). Replaces an
  // earlier schedule. Returns 0.
  int Schedule(CTimerWrapperSink* sink, const CTimeValueWrapper& interval, int count = 1);
  // No OnTimer starts after Cancel returns, also when the firing is already
  // on its way to the network thread; one that is running on another thread
  // is waited for. Returns 0.
  int Cancel();

  // The timer thread's handle (a HANDLE on Windows).
  static void* ServiceThreadHandle();

  struct Entry;

 private:
  std::shared_ptr<Entry> m_pEntry;
};
