#include "netlib/thread.h"

#include <chrono>

#include "netlib/timer.h"
#include "netlib/thread_native.h"

struct CThreadWrapper::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable ended_cv;
  std::deque<IMsg*> queue;
  bool stop = false;
  bool ended = false;
};

namespace {
thread_local CThreadWrapper* t_pNetThread = nullptr;
}

int CMsgQueue::PostMsg(IMsg* msg, int /*flag*/) { return m_pOwner->Post(msg); }

CThreadWrapper::CThreadWrapper(bool network) : m_pState(std::make_shared<State>()), m_queue(this) {
  m_thread = std::thread(&CThreadWrapper::Run, m_pState, network ? this : nullptr);
}

CThreadWrapper* CThreadWrapper::CurrentNetThread() { return t_pNetThread; }

CThreadWrapper::~CThreadWrapper() {
  if (m_thread.joinable()) m_thread.detach();
}

int CThreadWrapper::Post(IMsg* msg) {
  if (!msg) return -1;
  {
    std::lock_guard<std::mutex> lock(m_pState->mutex);
    if (!m_pState->stop) {
      m_pState->queue.push_back(msg);
      m_pState->wake.notify_one();
      return 0;
    }
  }
  msg->Release();
  return -1;
}

void CThreadWrapper::Run(std::shared_ptr<State> state, CThreadWrapper* network) {
  t_pNetThread = network;
  std::unique_lock<std::mutex> lock(state->mutex);
  for (;;) {
    state->wake.wait(lock, [&] { return state->stop || !state->queue.empty(); });
    if (state->stop) break;
    IMsg* msg = state->queue.front();
    state->queue.pop_front();
    lock.unlock();
    msg->OnMsg();
    msg->Release();
    lock.lock();
  }
  std::deque<IMsg*> left;
  left.swap(state->queue);
  lock.unlock();
  for (IMsg* msg : left) msg->Release();
  lock.lock();
  state->ended = true;
  state->ended_cv.notify_all();
}

void CThreadWrapper::Stop(int /*flag*/) {
  std::lock_guard<std::mutex> lock(m_pState->mutex);
  m_pState->stop = true;
  m_pState->wake.notify_all();
}

int CThreadWrapper::Join(int milliseconds) {
  std::unique_lock<std::mutex> lock(m_pState->mutex);
  const bool ended = m_pState->ended_cv.wait_for(lock, std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds),
                                                 [&] { return m_pState->ended; });
  lock.unlock();
  if (!ended) return -1;
  if (m_thread.joinable()) m_thread.join();
  return 0;
}

void CThreadWrapper::Destory(int /*flag*/) {
  Stop();
  delete this;
}

void* CThreadWrapper::NativeHandle() { return netlib::NativeThreadHandle(m_thread); }

// ---- CThreadManager ------------------------------------------------------

CThreadManager* CThreadManager::Instance() {
  static CThreadManager* instance = new CThreadManager();  // lives as long as the process
  return instance;
}

void CThreadManager::SetNetThreadNum(int count) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_nNetThreadNum = count < 1 ? 1 : count;
}

void CThreadManager::StartNetThreads() {
  while (static_cast<int>(m_vecNetThreads.size()) < m_nNetThreadNum) {
    m_vecNetThreads.push_back(new CThreadWrapper(true));
  }
}

CThreadWrapper* CThreadManager::GetNetThread() {
  std::lock_guard<std::mutex> lock(m_mutex);
  StartNetThreads();
  return m_vecNetThreads[m_nNextNetThread++ % m_vecNetThreads.size()];
}

int CThreadManager::CreateTaskThread(CThreadWrapper*& thread, int /*type*/, int /*flag*/) {
  thread = new CThreadWrapper();
  return 0;
}

std::vector<void*> CThreadManager::ServiceThreadHandles() {
  std::vector<void*> handles;
  handles.push_back(CTimerWrapper::ServiceThreadHandle());
  std::lock_guard<std::mutex> lock(m_mutex);
  StartNetThreads();
  handles.push_back(m_vecNetThreads[0]->NativeHandle());
  return handles;
}
