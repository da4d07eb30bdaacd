#include "detect/delegate_detect.h"

#include <mutex>

#include "corekit/log.h"
#include "detect/detect_msg.h"
#include "netlib/thread.h"

namespace {
constexpr DWORD kJoinMs = 1000;

// The single instance. The worker's messages hold it too, so it outlives a
// worker that is still inside an item when the window goes.
std::mutex g_instanceMutex;
std::shared_ptr<DelegateDetect> g_pInstance;

// Waits up to `ms` for the worker to end. Meanwhile this thread handles the
// messages other threads send it: the worker may be blocked in a report to
// a window of this thread, and would otherwise wait out the whole time.
bool JoinLettingReportsThrough(CThreadWrapper* thread, DWORD ms) {
  HANDLE handle = thread->NativeHandle();
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // runs the sent messages
    if (thread->Join(0) == 0) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return false;
    MsgWaitForMultipleObjects(handle ? 1 : 0, &handle, FALSE, ms - elapsed, QS_SENDMESSAGE);
  }
}
}  // namespace

DelegateDetect::DelegateDetect() : m_factory(CreateDefaultHandlers) {}

DelegateDetect::~DelegateDetect() { DestroyHandlers(); }

DelegateDetect* DelegateDetect::Instance() {
  std::lock_guard<std::mutex> lock(g_instanceMutex);
  if (!g_pInstance) g_pInstance.reset(new DelegateDetect(), [](DelegateDetect* self) { delete self; });
  return g_pInstance.get();
}

void DelegateDetect::Shutdown() {
  std::shared_ptr<DelegateDetect> self;
  {
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    self = g_pInstance;
  }
  if (!self) return;
  // The window is going: the worker reports no more, and an item waiting
  // for background work returns at once.
  self->SetView(nullptr, nullptr);
  self->Cancel();
  bool ended = true;
  if (self->m_pThread) {
    self->m_pThread->Stop(0);
    ended = JoinLettingReportsThrough(self->m_pThread, kJoinMs);
    self->m_pThread->Destory(0);
    self->m_pThread = nullptr;
  }
  if (!ended) LOG_FUNC(LOG_LEVEL_INFO, "worker still inside an item, the sequencer goes when it leaves");
  std::lock_guard<std::mutex> lock(g_instanceMutex);
  if (g_pInstance == self) g_pInstance.reset();
}

void DelegateDetect::SetView(HWND hWnd, IDetectView* pView) {
  m_hWnd.store(hWnd);
  m_pView = pView;
}

void DelegateDetect::CreateWorkerThread() {
  if (!m_pThread) CThreadManager::Instance()->CreateTaskThread(m_pThread, 1, 1);
}

void DelegateDetect::SetHandlerFactory(HandlerFactory factory) { m_factory = std::move(factory); }

void DelegateDetect::CreateHandlers() {
  if (m_factory) m_factory(m_vecHandler);
}

void DelegateDetect::DestroyHandlers() {
  for (IDetectHandler* handler : m_vecHandler) delete handler;
  m_vecHandler.clear();
}

IDetectHandler* DelegateDetect::FindHandler(int type) const {
  for (IDetectHandler* handler : m_vecHandler) {
    if (handler && handler->GetType() == type) return handler;
  }
  return nullptr;
}

void DelegateDetect::Start() {
  m_bCancel = false;
  m_nCurIndex = 0;
  m_pCurrnetHandler = nullptr;
  DestroyHandlers();
  CreateHandlers();
  // The background work of the asynchronous pair overlaps the local checks.
  for (IDetectHandler* handler : m_vecHandler) {
    if (handler && handler->IsAsync()) handler->PreStart();
  }
  if (m_vecHandler.empty()) return;
  if (m_pThread) PostItem(m_vecHandler.front());
}

void DelegateDetect::Cancel() {
  m_bCancel = true;
  // The running check cuts its work short (the audio check its recording);
  // the asynchronous pair also ends its background work.
  for (IDetectHandler* handler : m_vecHandler) {
    if (handler) handler->Stop();
  }
}

void DelegateDetect::PostItem(IDetectHandler* handler) {
  if (!m_pThread) return;
  m_pThread->GetMsgQueue()->PostMsg(new DetectMsg(shared_from_this(), handler), 1);
}

void DelegateDetect::PostNextItem(IDetectHandler* finished) {
  size_t i = 0;
  while (i < m_vecHandler.size() && m_vecHandler[i] != finished) ++i;
  if (i + 1 >= m_vecHandler.size()) return;  // the run is complete (or the handler is unknown)
  PostItem(m_vecHandler[i + 1]);
}

void DelegateDetect::OnDetectBegin(IDetectHandler* handler) {
  LOG_METHOD(LOG_LEVEL_INFO, "pHandler = " << handler->GetType());
  for (size_t i = 0; i < m_vecHandler.size(); ++i) {
    if (m_vecHandler[i] == handler) {
      m_nCurIndex = static_cast<int>(i);
      break;
    }
  }
  m_pCurrnetHandler = handler;
  Report(DETECT_BEGIN);
}

void DelegateDetect::OnDetectFinish(IDetectHandler* handler) {
  LOG_METHOD(LOG_LEVEL_INFO, "pHandler = " << handler->GetType());
  m_pCurrnetHandler = handler;
  Report(DETECT_FINISH);
}

void DelegateDetect::Report(DetectState state) {
  if (HWND hWnd = m_hWnd.load()) SendMessageW(hWnd, WM_DETECT_ROUTINE, state, 0);
}

void DelegateDetect::ReportStage(const char* key) {
  if (HWND hWnd = m_hWnd.load()) SendMessageW(hWnd, WM_DETECT_STAGE, reinterpret_cast<WPARAM>(key), 0);
}

void DelegateDetect::OnDetectRoutine(WPARAM state) {
  LOG_METHOD(LOG_LEVEL_INFO, "DetectState = " << static_cast<unsigned>(state) << ", m_pCurrnetHandler = "
                                               << (m_pCurrnetHandler ? m_pCurrnetHandler->GetType() : -1));
  if (!m_pCurrnetHandler) return;
  if (state == DETECT_BEGIN) {
    if (m_pView) m_pView->OnItemBegin(m_pCurrnetHandler);
  } else if (state == DETECT_FINISH) {
    if (m_pView) m_pView->OnItemFinish(m_pCurrnetHandler, m_bCancel);
    if (!m_bCancel) PostNextItem(m_pCurrnetHandler);
  }
}
