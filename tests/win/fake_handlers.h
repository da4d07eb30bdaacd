// Handler doubles for runs under test: each has a type, can be asynchronous,
// and can hold its DoDetect open until released (or, asynchronous, stopped).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "detect/detect_handler.h"

namespace testing_support {

inline const int kRunOrder[] = {0, 1, 4, 6, 2, 3, 5, 7, 10, 8, 9};

// What the doubles did. `events` is written on the user-interface thread only.
struct Ledger {
  std::vector<std::string> events;  // "create 4", "destroy 4"
  std::atomic<int> destroyed{0};     // also counts destructions on the worker thread
  std::atomic<int> stops[11] = {};
  std::atomic<int> preStarts[11] = {};
  std::atomic<int> detects[11] = {};
};

class FakeHandler : public IDetectHandler {
 public:
  FakeHandler(Ledger& ledger, int type, bool async) : ledger_(ledger), type_(type), async_(async) {
    release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ledger_.events.push_back("create " + std::to_string(type));
  }
  ~FakeHandler() override {
    ledger_.events.push_back("destroy " + std::to_string(type_));
    CloseHandle(release_);
    ++ledger_.destroyed;
  }
  int GetType() override { return type_; }
  bool IsAsync() override { return async_; }
  int PreStart() override {
    ++ledger_.preStarts[type_];
    return 1;
  }
  // Wakes an asynchronous double's wait; a synchronous one stands for a
  // check that cannot be cut short and stays held.
  void Stop() override {
    ++ledger_.stops[type_];
    if (async_) SetEvent(release_);
  }
  int DoDetect() override {
    ++ledger_.detects[type_];
    if (hold_) WaitForSingleObject(release_, INFINITE);
    return 1;
  }
  // DoDetect waits until Release (or, asynchronous, Stop).
  void Hold() { hold_ = true; }
  void Release() { SetEvent(release_); }

 private:
  Ledger& ledger_;
  int type_;
  bool async_;
  std::atomic<bool> hold_{false};
  HANDLE release_;
};

// Eleven doubles in run order, the network pair asynchronous; `made` sees them.
inline std::function<void(std::vector<IDetectHandler*>&)> FakeHandlerFactory(
    Ledger& ledger, std::vector<FakeHandler*>& made, std::function<void()> onCreated = nullptr) {
  return [&ledger, &made, onCreated](std::vector<IDetectHandler*>& handlers) {
    made.clear();
    for (int type : kRunOrder) {
      auto* handler = new FakeHandler(ledger, type, IsNetworkGroup(type));
      made.push_back(handler);
      handlers.push_back(handler);
    }
    if (onCreated) onCreated();
  };
}

// Pumps this thread's messages until `done` holds or `ms` pass.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

inline void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace testing_support
