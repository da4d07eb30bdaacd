#include "netlib/timer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "netlib/thread.h"
#include "netlib/thread_native.h"

using Clock = std::chrono::steady_clock;

namespace {
constexpr Clock::duration kMinRepeatInterval = std::chrono::milliseconds(10);
}

struct CTimerWrapper::Entry {
  CTimerWrapper* owner = nullptr;
  CTimerWrapperSink* sink = nullptr;
  Clock::duration interval{};
  int remaining = 0;     // 0: repeat until cancelled
  uint64_t generation = 0;  // bumped by every Schedule and Cancel
  CThreadWrapper* thread = nullptr;  // the network thread it fires on; null: the timer thread
  bool firing = false;
  std::thread::id firingThread;
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
    WaitUntilIdle(lock, entry);
  }

  void Reschedule(const std::shared_ptr<CTimerWrapper::Entry>& entry, CTimerWrapperSink* sink,
                  Clock::duration interval, int count, CThreadWrapper* thread) {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++entry->generation;
    WaitUntilIdle(lock, entry);
    entry->thread = thread;
    entry->sink = sink;
    entry->interval = interval;
    entry->remaining = count;
    m_queue.emplace(Clock::now() + interval, Item{entry, entry->generation});
    m_wake.notify_one();
  }

  void* NativeHandle() { return netlib::NativeThreadHandle(m_thread); }

  // Runs a firing of `entry` unless it was cancelled or replaced since it
  // became due.
  void Fire(const std::shared_ptr<CTimerWrapper::Entry>& entry, uint64_t generation) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (generation != entry->generation || !entry->sink) return;
    entry->firing = true;
    entry->firingThread = std::this_thread::get_id();
    CTimerWrapperSink* sink = entry->sink;
    CTimerWrapper* owner = entry->owner;
    lock.unlock();
    sink->OnTimer(owner);
    lock.lock();
    entry->firing = false;
    m_idle.notify_all();
  }

 private:
  // A firing of a timer that belongs to a network thread, run there.
  class FireMsg : public IMsg {
   public:
    FireMsg(std::shared_ptr<CTimerWrapper::Entry> entry, uint64_t generation)
        : m_entry(std::move(entry)), m_generation(generation) {}
    int OnMsg() override {
      TimerService::Get().Fire(m_entry, m_generation);
      return 0;
    }

   private:
    std::shared_ptr<CTimerWrapper::Entry> m_entry;
    uint64_t m_generation;
  };

  // With m_mutex held: waits for a firing of `entry` on another thread to end.
  void WaitUntilIdle(std::unique_lock<std::mutex>& lock, const std::shared_ptr<CTimerWrapper::Entry>& entry) {
    m_idle.wait(lock, [&] { return !entry->firing || entry->firingThread == std::this_thread::get_id(); });
  }

  struct Item {
    std::shared_ptr<CTimerWrapper::Entry> entry;
    uint64_t generation;
  };

  TimerService() : m_thread([this] { Run(); }) {}

  void Run() {
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

      const uint64_t generation = entry->generation;
      CThreadWrapper* thread = entry->thread;
      lock.unlock();
      if (thread) {
        thread->GetMsgQueue()->PostMsg(new FireMsg(entry, generation));
      } else {
        Fire(entry, generation);
      }
      lock.lock();
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
  if (count < 0) count = 1;
  Clock::duration span = std::chrono::microseconds(interval.GetTotalInUsec() < 0 ? 0 : interval.GetTotalInUsec());
  // A repeating timer never fires back to back: a zero interval would spin.
  if (count != 1 && span < kMinRepeatInterval) span = kMinRepeatInterval;
  TimerService::Get().Reschedule(m_pEntry, sink, span, count, CThreadWrapper::CurrentNetThread());
  return 0;
}

int CTimerWrapper::Cancel() {
  TimerService::Get().Cancel(m_pEntry);
  return 0;
}

void* CTimerWrapper::ServiceThreadHandle() { return TimerService::Get().NativeHandle(); }
