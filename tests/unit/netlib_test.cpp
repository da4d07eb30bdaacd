// The network library's task threads, timers and choice of TLS versions.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "netlib/secure_protocols.h"
#include "netlib/speed_meter.h"
#include "netlib/thread.h"
#include "netlib/timer.h"

using namespace std::chrono_literals;

namespace {

// Records the order of OnMsg and Release calls across all messages.
struct Journal {
  std::mutex mutex;
  std::vector<std::string> events;
  void Add(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back(event);
  }
};

class RecordingMsg : public IMsg {
 public:
  RecordingMsg(Journal& journal, int id, std::chrono::milliseconds work = 0ms)
      : journal_(journal), id_(id), work_(work) {}
  int OnMsg() override {
    std::this_thread::sleep_for(work_);
    journal_.Add("run " + std::to_string(id_));
    return 0;
  }
  void Release() override {
    journal_.Add("release " + std::to_string(id_));
    IMsg::Release();
  }

 private:
  Journal& journal_;
  int id_;
  std::chrono::milliseconds work_;
};

// Blocks the thread until opened.
class GateMsg : public IMsg {
 public:
  GateMsg(std::atomic<bool>& open, std::atomic<bool>& running) : open_(open), running_(running) {}
  int OnMsg() override {
    running_ = true;
    while (!open_) std::this_thread::sleep_for(1ms);
    return 0;
  }
  static void WaitUntil(std::atomic<bool>& flag) {
    while (!flag) std::this_thread::sleep_for(1ms);
  }

 private:
  std::atomic<bool>& open_;
  std::atomic<bool>& running_;
};

// A gate whose flags live as long as the message, for a thread that goes on
// after the test has returned; `released` is set when the thread disposes of it.
struct SharedGate {
  std::atomic<bool> open{false}, running{false}, released{false};
};

class SharedGateMsg : public GateMsg {
 public:
  explicit SharedGateMsg(std::shared_ptr<SharedGate> gate)
      : GateMsg(gate->open, gate->running), gate_(std::move(gate)) {}
  ~SharedGateMsg() override { gate_->released = true; }

 private:
  std::shared_ptr<SharedGate> gate_;
};

class CountingSink : public CTimerWrapperSink {
 public:
  void OnTimer(CTimerWrapper*) override {
    std::lock_guard<std::mutex> lock(mutex);
    ++count;
    fired.notify_all();
  }
  bool WaitFor(int n, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex);
    return fired.wait_for(lock, limit, [&] { return count >= n; });
  }
  int Count() {
    std::lock_guard<std::mutex> lock(mutex);
    return count;
  }
  std::mutex mutex;
  std::condition_variable fired;
  int count = 0;
};

}  // namespace

TEST(TaskThread, RunsMessagesInPostingOrderAndReleasesEach) {
  Journal journal;
  CThreadWrapper* thread = nullptr;
  ASSERT_EQ(CThreadManager::Instance()->CreateTaskThread(thread, 1, 1), 0);
  ASSERT_NE(thread, nullptr);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(thread->GetMsgQueue()->PostMsg(new RecordingMsg(journal, i, i == 0 ? 50ms : 0ms), 1), 0);
  }
  for (int i = 0; i < 200; ++i) {
    {
      std::lock_guard<std::mutex> lock(journal.mutex);
      if (journal.events.size() == 10) break;
    }
    std::this_thread::sleep_for(5ms);
  }
  thread->Stop(0);
  EXPECT_EQ(thread->Join(1000), 0);
  thread->Destory(0);
  const std::vector<std::string> expected = {"run 0", "release 0", "run 1", "release 1", "run 2",
                                             "release 2", "run 3", "release 3", "run 4", "release 4"};
  EXPECT_EQ(journal.events, expected);
}

TEST(TaskThread, StopReleasesQueuedMessagesWithoutRunningThem) {
  Journal journal;
  std::atomic<bool> open{false}, running{false};
  CThreadWrapper* thread = nullptr;
  CThreadManager::Instance()->CreateTaskThread(thread, 1, 1);
  thread->GetMsgQueue()->PostMsg(new GateMsg(open, running), 1);
  GateMsg::WaitUntil(running);
  thread->GetMsgQueue()->PostMsg(new RecordingMsg(journal, 1), 1);
  thread->GetMsgQueue()->PostMsg(new RecordingMsg(journal, 2), 1);
  thread->Stop(0);
  // A message posted after the stop request is released at once.
  EXPECT_EQ(thread->GetMsgQueue()->PostMsg(new RecordingMsg(journal, 3), 1), -1);
  // The running message holds the thread: the join times out.
  EXPECT_EQ(thread->Join(100), -1);
  open = true;
  EXPECT_EQ(thread->Join(1000), 0);
  thread->Destory(0);
  const std::vector<std::string> expected = {"release 3", "release 1", "release 2"};
  EXPECT_EQ(journal.events, expected);
  EXPECT_EQ(CThreadManager::Instance()->CreateTaskThread(thread, 1, 1), 0);
  thread->Destory(0);  // destroying a thread that was never stopped does not hang
}

TEST(TaskThread, DestroyingAThreadThatIsStillBusyDoesNotWait) {
  auto gate = std::make_shared<SharedGate>();
  CThreadWrapper* thread = nullptr;
  CThreadManager::Instance()->CreateTaskThread(thread, 1, 1);
  thread->GetMsgQueue()->PostMsg(new SharedGateMsg(gate), 1);
  GateMsg::WaitUntil(gate->running);
  thread->Stop(0);
  EXPECT_EQ(thread->Join(50), -1);
  thread->Destory(0);  // returns at once, the message still running
  EXPECT_FALSE(gate->released);
  // The thread ends on its own: it finishes the message and disposes of it,
  // before the next test starts threads of its own.
  gate->open = true;
  for (int i = 0; i < 500 && !gate->released; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(gate->released);
}

TEST(NetThreads, OnePerProcessorRoundRobin) {
  CThreadManager::Instance()->SetNetThreadNum(2);
  CThreadWrapper* a = CThreadManager::Instance()->GetNetThread();
  CThreadWrapper* b = CThreadManager::Instance()->GetNetThread();
  CThreadWrapper* c = CThreadManager::Instance()->GetNetThread();
  EXPECT_NE(a, b);
  EXPECT_EQ(a, c);
  for (void* handle : CThreadManager::Instance()->ServiceThreadHandles()) EXPECT_NE(handle, nullptr);
}

TEST(Timer, FiresOnceAboutASecondLater) {
  CountingSink sink;
  CTimerWrapper timer;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(timer.Schedule(&sink, CTimeValueWrapper(1, 0), 1), 0);
  ASSERT_TRUE(sink.WaitFor(1, 3s));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 990ms);
  std::this_thread::sleep_for(1200ms);
  EXPECT_EQ(sink.Count(), 1);
}

TEST(Timer, NothingFiresAfterCancel) {
  CountingSink sink;
  {
    CTimerWrapper timer;
    timer.Schedule(&sink, CTimeValueWrapper(0, 100000), 1);
    EXPECT_EQ(timer.Cancel(), 0);
    CTimerWrapper dropped;
    dropped.Schedule(&sink, CTimeValueWrapper(0, 100000), 1);
  }  // destruction cancels too
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(sink.Count(), 0);
}

TEST(Timer, CancelRacingTheFiringLeavesNoLateCall) {
  // Cancel right at the due time, many times: once Cancel has returned, the
  // count never moves again.
  CountingSink sink;
  for (int round = 0; round < 200; ++round) {
    CTimerWrapper timer;
    timer.Schedule(&sink, CTimeValueWrapper(0, 1000), 1);
    std::this_thread::sleep_for(std::chrono::microseconds(900 + (round % 5) * 50));
    timer.Cancel();
    const int after = sink.Count();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    EXPECT_EQ(sink.Count(), after);
  }
}

TEST(Timer, RepeatsAndCanCancelItselfFromItsCallback) {
  struct SelfCancelling : CTimerWrapperSink {
    std::atomic<int> count{0};
    void OnTimer(CTimerWrapper* timer) override {
      if (++count == 3) timer->Cancel();
    }
  } sink;
  CTimerWrapper timer;
  timer.Schedule(&sink, CTimeValueWrapper(0, 20000), 0);
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(sink.count, 3);

  CountingSink twice;
  timer.Schedule(&twice, CTimeValueWrapper(0, 20000), 2);
  ASSERT_TRUE(twice.WaitFor(2, 2s));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(twice.Count(), 2);
}

namespace {

// Runs a function on a network thread and waits for it.
void RunOnNetThread(CThreadWrapper* thread, std::function<void()> work) {
  struct Call : IMsg {
    std::function<void()> work;
    std::promise<void> done;
    int OnMsg() override {
      work();
      done.set_value();
      return 0;
    }
  };
  auto* call = new Call();
  call->work = std::move(work);
  std::future<void> done = call->done.get_future();
  ASSERT_EQ(thread->GetMsgQueue()->PostMsg(call), 0);
  ASSERT_EQ(done.wait_for(5s), std::future_status::ready);
}

// Runs `schedule` on a network thread, which then stays busy until `open`.
void ScheduleThenBlock(CThreadWrapper* thread, std::function<void()> schedule, std::atomic<bool>& open,
                       std::atomic<bool>& running) {
  struct Msg : GateMsg {
    Msg(std::function<void()> work, std::atomic<bool>& open, std::atomic<bool>& running)
        : GateMsg(open, running), work(std::move(work)) {}
    int OnMsg() override {
      work();
      return GateMsg::OnMsg();
    }
    std::function<void()> work;
  };
  thread->GetMsgQueue()->PostMsg(new Msg(std::move(schedule), open, running));
  GateMsg::WaitUntil(running);
}

// Records the threads its OnTimer ran on.
class ThreadRecordingSink : public CTimerWrapperSink {
 public:
  void OnTimer(CTimerWrapper*) override {
    std::lock_guard<std::mutex> lock(mutex);
    threads.push_back(CThreadWrapper::CurrentNetThread());
  }
  std::vector<CThreadWrapper*> Threads() {
    std::lock_guard<std::mutex> lock(mutex);
    return threads;
  }

 private:
  std::mutex mutex;
  std::vector<CThreadWrapper*> threads;
};

}  // namespace

TEST(Timer, ScheduledOnANetworkThreadFiresThereBetweenItsOtherWork) {
  CThreadWrapper* net = CThreadManager::Instance()->GetNetThread();
  EXPECT_EQ(CThreadWrapper::CurrentNetThread(), nullptr);
  ThreadRecordingSink sink;
  CTimerWrapper timer;
  // Keep the thread busy past the due times: the firings wait for it.
  std::atomic<bool> open{false}, running{false};
  ScheduleThenBlock(net, [&] { timer.Schedule(&sink, CTimeValueWrapper(0, 20000), 3); }, open, running);
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(sink.Threads().empty());
  open = true;
  for (int i = 0; i < 200 && sink.Threads().size() < 3; ++i) std::this_thread::sleep_for(10ms);
  const std::vector<CThreadWrapper*> expected(3, net);
  EXPECT_EQ(sink.Threads(), expected);

  // Elsewhere the timer thread serves.
  ThreadRecordingSink other;
  CTimerWrapper plain;
  plain.Schedule(&other, CTimeValueWrapper(0, 1000), 1);
  for (int i = 0; i < 200 && other.Threads().empty(); ++i) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(other.Threads(), std::vector<CThreadWrapper*>{nullptr});
}

TEST(Timer, CancelAfterTheFiringWasHandedToTheNetworkThreadStopsIt) {
  CThreadWrapper* net = CThreadManager::Instance()->GetNetThread();
  CountingSink sink;
  CTimerWrapper timer;
  std::atomic<bool> open{false}, running{false};
  ScheduleThenBlock(net, [&] { timer.Schedule(&sink, CTimeValueWrapper(0, 10000), 1); }, open, running);
  std::this_thread::sleep_for(100ms);  // due: the firing waits in the thread's queue
  timer.Cancel();
  open = true;
  RunOnNetThread(net, [] {});  // the queued firing has been handled
  EXPECT_EQ(sink.Count(), 0);
}

TEST(Timer, CancelWaitsForAFiringRunningOnTheNetworkThread) {
  CThreadWrapper* net = CThreadManager::Instance()->GetNetThread();
  struct SlowSink : CTimerWrapperSink {
    std::atomic<bool> started{false}, finished{false};
    void OnTimer(CTimerWrapper*) override {
      started = true;
      std::this_thread::sleep_for(200ms);
      finished = true;
    }
  } sink;
  CTimerWrapper timer;
  RunOnNetThread(net, [&] { timer.Schedule(&sink, CTimeValueWrapper(0, 1000), 1); });
  while (!sink.started) std::this_thread::sleep_for(1ms);
  timer.Cancel();
  EXPECT_TRUE(sink.finished);
}

TEST(Timer, RepeatingWithZeroIntervalDoesNotSpin) {
  CountingSink sink;
  CTimerWrapper timer;
  timer.Schedule(&sink, CTimeValueWrapper(0, 0), 0);
  std::this_thread::sleep_for(300ms);
  timer.Cancel();
  EXPECT_GE(sink.Count(), 3);
  EXPECT_LE(sink.Count(), 40);  // 10 ms apart at the least
}

// Windows 10 has no TLS 1.3 in WinHTTP; Windows 7 without its TLS update
// knows 1.0 alone; a system may refuse every version named.
TEST(SecureProtocols, TheWholeSetOrEachVersionTheSystemTakes) {
  const std::vector<netlib::SecureProtocol> wanted = {{0x80, "TLS 1.0"}, {0x200, "TLS 1.1"}, {0x800, "TLS 1.2"},
                                                      {0x2000, "TLS 1.3"}};
  struct Case {
    uint32_t known;  // the versions the system has
    uint32_t accepted;
    std::vector<std::string> refused;
    uint32_t held;   // what the system was last told
  } cases[] = {
      {0x2a80, 0x2a80, {}, 0x2a80},
      {0xa80, 0xa80, {"TLS 1.3"}, 0xa80},
      {0x80, 0x80, {"TLS 1.1", "TLS 1.2", "TLS 1.3"}, 0x80},
      {0, 0, {"TLS 1.0", "TLS 1.1", "TLS 1.2", "TLS 1.3"}, 0},
  };
  for (const Case& c : cases) {
    uint32_t held = 0;
    const netlib::SecureProtocolChoice choice = netlib::ChooseSecureProtocols(wanted, [&](uint32_t flags) {
      if (flags & ~c.known) return false;
      held = flags;
      return true;
    });
    EXPECT_EQ(choice.accepted, c.accepted) << c.known;
    EXPECT_EQ(choice.refused, c.refused) << c.known;
    EXPECT_EQ(held, c.held) << c.known;
  }
}

// The speed meter over made-up arrival times (ms).
TEST(SpeedMeter, CountsAfterTheSlowStartBetweenArrivals) {
  struct Case {
    std::vector<std::pair<int64_t, uint64_t>> pieces;
    bool measured;
    int kbps;
    const char* label;
  };
  std::vector<std::pair<int64_t, uint64_t>> steady;  // 1 MB/s after a slow first half second
  for (int64_t t = 100; t <= 5000; t += 100) steady.push_back({t, t <= 600 ? 1000 : 100000});
  const Case cases[] = {
      {steady, true, 8000, "steady pace after slow start"},
      {{{100, 5000}, {200, 10000}, {300, 10000}}, true, 800, "ended within the slow start: all after the first"},
      {{{100, 5000}, {150, 10000}}, false, 0, "too short to time"},
      {{}, false, 0, "nothing arrived"},
  };
  for (const Case& c : cases) {
    CSpeedMeter meter(0);
    for (const auto& piece : c.pieces) meter.Add(piece.first, piece.second);
    int kbps = 0;
    std::string reason;
    EXPECT_EQ(meter.Kbps(kbps, reason), c.measured) << c.label;
    EXPECT_EQ(kbps, c.kbps) << c.label;
    EXPECT_EQ(reason.empty(), c.measured) << c.label << ": " << reason;
  }
}

TEST(SpeedMeter, PausesBetweenPiecesAreLeftOutOfTheRate) {
  // POSTs of 100 kB each answered a second apart, each after a 200 ms
  // connection: 100 kB in 800 ms of sending is 1000 kbit/s.
  CSpeedMeter meter(0);
  for (int64_t t = 1000; t <= 5000; t += 1000) {
    if (t > 1000) meter.Pause(200);
    meter.Add(t, 100000);
  }
  int kbps = 0;
  std::string reason;
  ASSERT_TRUE(meter.Kbps(kbps, reason));
  EXPECT_EQ(kbps, 1000);
}

TEST(SpeedMeter, EndsAfterItsTimeOrWhenNothingMoves) {
  CSpeedMeter meter(1000);
  EXPECT_EQ(meter.CheckAt(2999), CSpeedMeter::CHECK_RUNNING);
  EXPECT_EQ(meter.CheckAt(3000), CSpeedMeter::CHECK_STALLED);  // no answer for two seconds
  meter.Add(2500, 10);
  EXPECT_EQ(meter.CheckAt(4499), CSpeedMeter::CHECK_RUNNING);
  EXPECT_EQ(meter.CheckAt(4500), CSpeedMeter::CHECK_STALLED);
  meter.Add(4400, 10);
  EXPECT_EQ(meter.CheckAt(6000), CSpeedMeter::CHECK_ENOUGH);
}
