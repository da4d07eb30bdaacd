#include "netlib/timer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "netlib/thread_native.h"

using Clock = std::chrono::steady_clock;

struct CTimerWrapper::Entry {
  CTimerWrapper* owner = nullptr;
  CTimerWrapperSink* sink = nullptr;
  Clock::duration interval{};
  int remaining = 0;     // 0: repeat until cancelled
  uint64_t generation = 0;  // bumped by every Schedule and Cancel
  bool firing = false;
};

namespace {

// The single timer thread and its schedule, ordered by due time.
class TimerService {
 public:
  static TimerService& Get() {
    static TimerService* service = new TimerService();  // lives as long as the process
    return *service;
  }

  // Invalidates pending firings of `entry`; waits for a running one unless
  // called from inside it.
  void Cancel(const std::shared_ptr<CTimerWrapper::Entry>& entry) {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++entry->generation;
    if (std::this_thread::get_id() == m_thread.get_id()) return;
    m_idle.wait(lock, [&] { return !entry->firing; });
  }

  void Reschedule(const std::shared_ptr<CTimerWrapper::Entry>& entry, CTimerWrapperSink* sink,
                  Clock::duration interval, int count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++entry->generation;
    if (std::this_thread::get_id() != m_thread.get_id()) {
      m_idle.wait(lock, [&] { return !entry->firing; });
    }
    entry->sink = sink;
    entry->interval = interval;
    entry->remaining = count;
    m_queue.emplace(Clock::now() + interval, Item{entry, entry->generation});
    m_wake.notify_one();
  }

  void* NativeHandle() { return netlib::NativeThreadHandle(m_thread); }

 private:
  struct Item {
    std::shared_ptr<CTimerWrapper::Entry> entry;
    uint64_t generation;
  };

  TimerService() : m_thread([this] { Run(); }) {}

  void Run() {
    netlib::NameCurrentThread("netlib timer");
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
      if (m_queue.empty()) {
        m_wake.wait(lock);
        continue;
      }
      auto first = m_queue.begin();
      if (Clock::now() < first->first) {
        m_wake.wait_until(lock, first->first);
        continue;
      }
      Item item = first->second;
      const Clock::time_point due = first->first;
      m_queue.erase(first);
      auto& entry = item.entry;
      if (item.generation != entry->generation || !entry->sink) continue;  // cancelled or replaced

      bool again = true;
      if (entry->remaining > 0 && --entry->remaining == 0) again = false;
      if (again) m_queue.emplace(due + entry->interval, Item{entry, entry->generation});

      entry->firing = true;
      CTimerWrapperSink* sink = entry->sink;
      CTimerWrapper* owner = entry->owner;
      lock.unlock();
      sink->OnTimer(owner);
      lock.lock();
      entry->firing = false;
      m_idle.notify_all();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::multimap<Clock::time_point, Item> m_queue;
  std::thread m_thread;  // last: starts after the members above exist
};

}  // namespace

CTimerWrapper::CTimerWrapper() : m_pEntry(std::make_shared<Entry>()) { m_pEntry->owner = this; }

CTimerWrapper::~CTimerWrapper() { Cancel(); }

int CTimerWrapper::Schedule(CTimerWrapperSink* sink, const CTimeValueWrapper& interval, int count) {
  const auto span = std::chrono::microseconds(interval.GetTotalInUsec() < 0 ? 0 : interval.GetTotalInUsec());
  TimerService::Get().Reschedule(m_pEntry, sink, span, count < 0 ? 1 : count);
  return 0;
}

int CTimerWrapper::Cancel() {
  TimerService::Get().Cancel(m_pEntry);
  return 0;
}

void* CTimerWrapper::ServiceThreadHandle() { return TimerService::Get().NativeHandle(); }
