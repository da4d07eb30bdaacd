// The sequencer of a detection run: rebuilds the eleven handlers, launches
// the background work of the asynchronous pair, and has one worker thread
// run the handlers one after another. Begin and finish of every item are
// reported to the main window with the synchronous WM_DETECT_ROUTINE; the
// window posts the next item while it handles a finish, so a cancel stops
// the chain there. No locks: the worker waits inside each report while the
// window reads the handler.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "detect/detect_handler.h"

class CThreadWrapper;

constexpr UINT WM_DETECT_ROUTINE = WM_USER + 101;
enum DetectState { DETECT_BEGIN = 0, DETECT_FINISH = 2 };

// What the main window does for the reports (item rows, verdicts, summary).
class IDetectView {
 public:
  virtual void OnItemBegin(IDetectHandler* handler) = 0;
  virtual void OnItemFinish(IDetectHandler* handler, bool bCancel) = 0;

 protected:
  ~IDetectView() = default;
};

class DelegateDetect {
 public:
  using HandlerFactory = std::function<void(std::vector<IDetectHandler*>& handlers)>;

  static DelegateDetect* Instance();
  // Stops the worker (stop request, Join(1000), Destory) and frees the
  // single instance; a later Instance() builds a fresh one.
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

  CThreadWrapper* m_pThread = nullptr;
  IDetectHandler* m_pCurrnetHandler = nullptr;
  std::vector<IDetectHandler*> m_vecHandler;
  bool m_bCancel = false;
  int m_nCurIndex = -1;
  HWND m_hWnd = nullptr;
  IDetectView* m_pView = nullptr;
  HandlerFactory m_factory;
};

// The eleven real handlers, in run order.
void CreateDefaultHandlers(std::vector<IDetectHandler*>& handlers);
