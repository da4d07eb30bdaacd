#include "detect/delegate_detect.h"

#include <atomic>

#include "corekit/log.h"
#include "detect/detect_msg.h"
#include "netlib/thread.h"

namespace {
std::atomic<DelegateDetect*> g_pInstance{nullptr};
constexpr int kJoinMs = 1000;
}  // namespace

DelegateDetect::DelegateDetect() : m_factory(CreateDefaultHandlers) {}

DelegateDetect::~DelegateDetect() { DestroyHandlers(); }

DelegateDetect* DelegateDetect::Instance() {
  DelegateDetect* instance = g_pInstance.load();
  if (!instance) {
    instance = new DelegateDetect();
    g_pInstance.store(instance);
  }
  return instance;
}

void DelegateDetect::Shutdown() {
  DelegateDetect* self = g_pInstance.load();
  if (!self) return;
  bool ended = true;
  if (self->m_pThread) {
    self->m_pThread->Stop(0);
    ended = self->m_pThread->Join(kJoinMs) == 0;
    self->m_pThread->Destory(0);
    self->m_pThread = nullptr;
  }
  if (!ended) {
    // The worker is still inside a handler (closing during a run): it may
    // touch that handler when it returns, so the handlers are left to the
    // end of the process instead of being freed under it.
    LOG_FUNC(LOG_LEVEL_INFO, "worker still running, handlers kept until exit");
    self->m_vecHandler.clear();
  }
  g_pInstance.store(nullptr);
  delete self;
}

void DelegateDetect::SetView(HWND hWnd, IDetectView* pView) {
  m_hWnd = hWnd;
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
  for (IDetectHandler* handler : m_vecHandler) {
    if (handler && handler->IsAsync()) handler->Stop();
  }
}

void DelegateDetect::PostItem(IDetectHandler* handler) {
  if (!m_pThread) return;
  m_pThread->GetMsgQueue()->PostMsg(new DetectMsg(handler), 1);
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
  SendMessageW(m_hWnd, WM_DETECT_ROUTINE, DETECT_BEGIN, 0);
}

void DelegateDetect::OnDetectFinish(IDetectHandler* handler) {
  LOG_METHOD(LOG_LEVEL_INFO, "pHandler = " << handler->GetType());
  m_pCurrnetHandler = handler;
  SendMessageW(m_hWnd, WM_DETECT_ROUTINE, DETECT_FINISH, 0);
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
