// The sequencer of a run, against a real hidden window and message loop
// standing in for the main window, with handler doubles whose DoDetect can be
// held open.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "detect/delegate_detect.h"
#include "detect/detect_msg.h"
#include "netlib/thread.h"

#include "fake_handlers.h"

namespace {

using namespace testing_support;

struct Report {
  WPARAM state;
  int type;
  int index;
  bool cancelled;
};

// The stand-in main window: a hidden window whose procedure hands
// WM_DETECT_ROUTINE to the sequencer, and a view that records the items.
class EngineTest : public ::testing::Test, public IDetectView {
 protected:
  void SetUp() override {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &EngineTest::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KaltoEngineTestWindow";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    current_ = this;
    DelegateDetect* engine = DelegateDetect::Instance();
    engine->SetView(hwnd_, this);
    engine->SetHandlerFactory(FakeHandlerFactory(ledger_, fakes_, [this] {
      if (onCreated_) onCreated_();
    }));
    engine->CreateWorkerThread();
  }

  void TearDown() override {
    for (FakeHandler* fake : fakes_) fake->Release();
    DelegateDetect::Shutdown();
    DestroyWindow(hwnd_);
    current_ = nullptr;
  }

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DETECT_ROUTINE && current_) {
      DelegateDetect* engine = DelegateDetect::Instance();
      IDetectHandler* handler = engine->GetCurrentHandler();
      current_->reports_.push_back(
          {wParam, handler ? handler->GetType() : -1, engine->GetCurIndex(), engine->IsCancelled()});
      engine->OnDetectRoutine(wParam);
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }

  void OnItemBegin(IDetectHandler* handler) override {
    begins_.push_back(handler->GetType());
    if (onBegin_) onBegin_(handler);
  }
  void OnItemFinish(IDetectHandler* handler, bool cancelled) override {
    finishes_.push_back({handler->GetType(), cancelled});
  }

  FakeHandler* Fake(int position) { return fakes_[position]; }

  static EngineTest* current_;
  HWND hwnd_ = nullptr;
  Ledger ledger_;
  std::vector<FakeHandler*> fakes_;
  std::vector<Report> reports_;
  std::vector<int> begins_;
  std::vector<std::pair<int, bool>> finishes_;
  std::function<void(IDetectHandler*)> onBegin_;
  std::function<void()> onCreated_;
};
EngineTest* EngineTest::current_ = nullptr;

TEST_F(EngineTest, AFullRunReportsEveryItemInRunOrder) {
  DelegateDetect::Instance()->Start();
  ASSERT_TRUE(PumpUntil([&] { return reports_.size() >= 22; }, 10000));
  PumpFor(200);  // nothing follows the last finish
  ASSERT_EQ(reports_.size(), 22u);
  for (size_t i = 0; i < 22; ++i) {
    EXPECT_EQ(reports_[i].state, i % 2 == 0 ? DETECT_BEGIN : DETECT_FINISH) << i;
    EXPECT_EQ(reports_[i].type, kRunOrder[i / 2]) << i;
    if (i % 2 == 0) {
      EXPECT_EQ(reports_[i].index, static_cast<int>(i / 2));
    }
  }
  EXPECT_EQ(begins_.size(), 11u);
  ASSERT_EQ(finishes_.size(), 11u);
  for (const auto& finish : finishes_) EXPECT_FALSE(finish.second);
  // The background work of the asynchronous pair started with the run.
  EXPECT_EQ(ledger_.preStarts[8], 1);
  EXPECT_EQ(ledger_.preStarts[9], 1);
  EXPECT_EQ(ledger_.preStarts[0], 0);
  EXPECT_EQ(DelegateDetect::Instance()->FindHandler(9), DelegateDetect::Instance()->Handlers()[10]);
  EXPECT_EQ(DelegateDetect::Instance()->FindHandler(11), nullptr);
}

TEST_F(EngineTest, CancelDuringTheThirdItemEndsTheRunAfterIt) {
  onCreated_ = [&] { Fake(2)->Hold(); };
  DelegateDetect::Instance()->Start();
  ASSERT_TRUE(PumpUntil([&] { return begins_.size() == 3; }, 5000));
  DelegateDetect::Instance()->Cancel();
  Fake(2)->Release();
  ASSERT_TRUE(PumpUntil([&] { return finishes_.size() == 3; }, 5000));
  PumpFor(300);
  EXPECT_EQ(begins_.size(), 3u);  // no fourth begin
  ASSERT_EQ(finishes_.size(), 3u);
  EXPECT_EQ(finishes_[2], std::make_pair(4, true));
  // The sequencer reported the cancel with the third item's finish only.
  ASSERT_EQ(reports_.size(), 6u);
  for (size_t i = 0; i < 5; ++i) EXPECT_FALSE(reports_[i].cancelled) << i;
  EXPECT_EQ(reports_[5].state, static_cast<WPARAM>(DETECT_FINISH));
  EXPECT_TRUE(reports_[5].cancelled);
  EXPECT_EQ(ledger_.stops[8], 1);
  EXPECT_EQ(ledger_.stops[9], 1);
  EXPECT_EQ(ledger_.stops[4], 1);  // the running item is told too
}

TEST_F(EngineTest, CancelDuringTheLastItemWakesItsWait) {
  onCreated_ = [&] { Fake(10)->Hold(); };  // the media servers wait without limit
  onBegin_ = [&](IDetectHandler* handler) {
    if (handler->GetType() == 9) DelegateDetect::Instance()->Cancel();
  };
  DelegateDetect::Instance()->Start();
  ASSERT_TRUE(PumpUntil([&] { return finishes_.size() == 11; }, 10000));
  EXPECT_EQ(finishes_.back(), std::make_pair(9, true));
  EXPECT_EQ(ledger_.stops[9], 1);
}

TEST_F(EngineTest, ASecondStartDestroysTheFirstRunsHandlersFirst) {
  DelegateDetect::Instance()->Start();
  ASSERT_TRUE(PumpUntil([&] { return reports_.size() >= 22; }, 10000));
  ledger_.events.clear();
  DelegateDetect::Instance()->Start();
  EXPECT_EQ(DelegateDetect::Instance()->GetCurIndex(), 0);
  ASSERT_EQ(ledger_.events.size(), 22u);
  for (size_t i = 0; i < 11; ++i) {
    EXPECT_EQ(ledger_.events[i], "destroy " + std::to_string(kRunOrder[i]));
    EXPECT_EQ(ledger_.events[11 + i], "create " + std::to_string(kRunOrder[i]));
  }
  ASSERT_TRUE(PumpUntil([&] { return reports_.size() >= 44; }, 10000));
}

TEST_F(EngineTest, StatesOtherThanBeginAndFinishChangeNothing) {
  DelegateDetect::Instance()->Start();
  ASSERT_TRUE(PumpUntil([&] { return reports_.size() >= 22; }, 10000));
  SendMessageW(hwnd_, WM_DETECT_ROUTINE, 1, 0);
  SendMessageW(hwnd_, WM_DETECT_ROUTINE, 3, 0);
  PumpFor(200);
  EXPECT_EQ(begins_.size(), 11u);
  EXPECT_EQ(finishes_.size(), 11u);
}

TEST_F(EngineTest, AWorkerStillInsideAnItemAtShutdownKeepsItsSequencer) {
  onCreated_ = [&] { Fake(0)->Hold(); };
  DelegateDetect* engine = DelegateDetect::Instance();
  engine->Start();
  ASSERT_TRUE(PumpUntil([&] { return begins_.size() == 1; }, 5000));
  const DWORD start = GetTickCount();
  DelegateDetect::Shutdown();  // the join times out: the processor item is held
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_EQ(ledger_.destroyed, 0);  // the worker still uses its handler
  EXPECT_EQ(ledger_.stops[8], 1);   // the asynchronous pair was stopped with the window
  EXPECT_EQ(ledger_.stops[9], 1);
  Fake(0)->Release();  // the worker finishes its item against a window that no longer listens
  // Leaving the item, the worker lets go of the sequencer, which frees the handlers.
  ASSERT_TRUE(PumpUntil([&] { return ledger_.destroyed == 11; }, 5000));
  fakes_.clear();
  EXPECT_EQ(finishes_.size(), 0u);
  EXPECT_EQ(reports_.size(), 1u);  // no finish report reached the window
  EXPECT_NE(DelegateDetect::Instance(), nullptr);
}

TEST_F(EngineTest, ShutdownWhileTheWorkerReportsIsQuickAndFreesTheHandlers) {
  onCreated_ = [&] { Fake(1)->Hold(); };
  DelegateDetect::Instance()->Start();
  ASSERT_TRUE(PumpUntil([&] { return begins_.size() == 2; }, 5000));
  // The memory item ends now and its finish report is sent to this thread,
  // which is busy shutting down.
  Fake(1)->Release();
  DelegateDetect::Shutdown();
  // The worker ended within the join: the handlers went with the sequencer.
  EXPECT_EQ(ledger_.destroyed, 11);
  fakes_.clear();
  EXPECT_EQ(begins_.size(), 2u);  // nothing more began
}

TEST(Engine, EveryThreadGetsTheSameInstance) {
  DelegateDetect::Shutdown();
  std::atomic<int> ready{0};
  DelegateDetect* seen[8] = {};
  std::vector<std::thread> threads;
  for (auto& slot : seen) {
    threads.emplace_back([&ready, &slot] {
      ++ready;
      while (ready < 8) std::this_thread::yield();
      slot = DelegateDetect::Instance();
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (DelegateDetect* instance : seen) EXPECT_EQ(instance, seen[0]);
  EXPECT_EQ(DelegateDetect::Instance(), seen[0]);
  DelegateDetect::Shutdown();
}

TEST(Engine, WithoutAWorkerThreadNothingBegins) {
  Ledger ledger;
  DelegateDetect* engine = DelegateDetect::Instance();
  std::vector<FakeHandler*> made;
  engine->SetHandlerFactory(FakeHandlerFactory(ledger, made));
  ASSERT_FALSE(engine->HasWorkerThread());
  engine->Start();
  EXPECT_EQ(engine->Handlers().size(), 11u);
  EXPECT_EQ(ledger.preStarts[8], 1);
  EXPECT_EQ(ledger.preStarts[9], 1);
  PumpFor(300);
  for (int type = 0; type < 11; ++type) EXPECT_EQ(ledger.detects[type], 0) << type;
  DelegateDetect::Shutdown();
  EXPECT_EQ(ledger.events.back(), "destroy 9");
}

TEST(Engine, TheRealHandlerListHasTheRunOrder) {
  std::vector<IDetectHandler*> handlers;
  CreateDefaultHandlers(handlers);
  ASSERT_EQ(handlers.size(), 11u);
  for (size_t i = 0; i < handlers.size(); ++i) {
    EXPECT_EQ(handlers[i]->GetType(), kRunOrder[i]) << i;
    EXPECT_EQ(handlers[i]->IsAsync(), i >= 9) << i;
    EXPECT_FALSE(handlers[i]->IsReserved());
    if (!handlers[i]->IsAsync()) {
      EXPECT_EQ(handlers[i]->PreStart(), 1);
    }
  }
  for (IDetectHandler* handler : handlers) delete handler;
}

TEST(Engine, AMessageWithoutAHandlerDoesNothingAndIsReleased) {
  static std::atomic<int> released{0};
  struct CountedMsg : DetectMsg {
    CountedMsg() : DetectMsg(nullptr, nullptr) {}
    void Release() override {
      ++released;
      DetectMsg::Release();
    }
  };
  CThreadWrapper* thread = nullptr;
  CThreadManager::Instance()->CreateTaskThread(thread, 1, 1);
  thread->GetMsgQueue()->PostMsg(new CountedMsg(), 1);
  for (int i = 0; i < 100 && released == 0; ++i) Sleep(10);
  thread->Stop(0);
  thread->Join(1000);
  thread->Destory(0);
  EXPECT_EQ(released, 1);
  DelegateDetect::Shutdown();
}

}  // namespace
