// The sequencer of a detection run: rebuilds the eleven handlers, launches
// the background work of the asynchronous pair, and has one worker thread
// run the handlers one after another. Begin and finish of every item are
// reported to the main window with the synchronous WM_DETECT_ROUTINE; the
// window posts the next item while it handles a finish, so a cancel stops
// the chain there. No locks: the worker waits inside each report while the
// window reads the handler.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "detect/detect_handler.h"

class CThreadWrapper;

constexpr UINT WM_DETECT_ROUTINE = WM_USER + 101;
// What the running item is doing now: wParam is the string-table key of its
// progress text (a literal, which outlives the message).
constexpr UINT WM_DETECT_STAGE = WM_USER + 102;
enum DetectState { DETECT_BEGIN = 0, DETECT_FINISH = 2 };

// What the main window does for the reports (item rows, verdicts, summary).
class IDetectView {
 public:
  virtual void OnItemBegin(IDetectHandler* handler) = 0;
  virtual void OnItemFinish(IDetectHandler* handler, bool bCancel) = 0;

 protected:
  ~IDetectView() = default;
};

class DelegateDetect : public std::enable_shared_from_this<DelegateDetect> {
 public:
  using HandlerFactory = std::function<void(std::vector<IDetectHandler*>& handlers)>;

  // The single instance, made on first call from whichever thread.
  static DelegateDetect* Instance();
  // Ends the run with the window: no more reports, the asynchronous pair
  // stopped, the worker stopped and joined for at most 1000 ms while the
  // reports it may be blocked in are let through, then the single instance
  // is let go (a later Instance() builds a fresh one). A worker still inside
  // an item keeps the sequencer and its handlers until it has left it.
  static void Shutdown();

  // The window that receives WM_DETECT_ROUTINE and the view it reports to.
  void SetView(HWND hWnd, IDetectView* pView);
  // Creates the worker thread unless there is one.
  void CreateWorkerThread();
  bool HasWorkerThread() const { return m_pThread != nullptr; }

  void Start();
  void Cancel();
  void OnDetectRoutine(WPARAM state);

  // Worker thread, from DetectMsg.
  void OnDetectBegin(IDetectHandler* handler);
  void OnDetectFinish(IDetectHandler* handler);
  // Worker thread, from a handler inside DoDetect: the progress line shows
  // the text of `key` (a string literal) until the next item begins.
  void ReportStage(const char* key);

  void CreateHandlers();
  void DestroyHandlers();
  IDetectHandler* FindHandler(int type) const;
  const std::vector<IDetectHandler*>& Handlers() const { return m_vecHandler; }
  int GetCurIndex() const { return m_nCurIndex; }
  bool IsCancelled() const { return m_bCancel; }
  IDetectHandler* GetCurrentHandler() const { return m_pCurrnetHandler; }

  // Replaces the eleven real handlers, for tests.
  void SetHandlerFactory(HandlerFactory factory);

 private:
  DelegateDetect();
  ~DelegateDetect();
  void PostItem(IDetectHandler* handler);
  void PostNextItem(IDetectHandler* finished);

  // Reports go to the window while it is there; sends to it block the worker.
  void Report(DetectState state);

  CThreadWrapper* m_pThread = nullptr;
  IDetectHandler* m_pCurrnetHandler = nullptr;
  std::vector<IDetectHandler*> m_vecHandler;
  bool m_bCancel = false;
  int m_nCurIndex = -1;
  std::atomic<HWND> m_hWnd{nullptr};  // cleared by Shutdown while the worker may read it
  IDetectView* m_pView = nullptr;
  HandlerFactory m_factory;
};

// The eleven real handlers, in run order.
void CreateDefaultHandlers(std::vector<IDetectHandler*>& handlers);
