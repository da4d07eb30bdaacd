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

CThreadWrapper::CThreadWrapper(const char* name, bool network)
    : m_pState(std::make_shared<State>()), m_queue(this) {
  m_thread = std::thread(&CThreadWrapper::Run, m_pState, name, network ? this : nullptr);
}

CThreadWrapper* CThreadWrapper::CurrentNetThread() { return t_pNetThread; }

CThreadWrapper::~CThreadWrapper() {
  if (m_thread.joinable()) Abandon(std::move(m_thread), m_pState);
}

// A thread is never detached. The MinGW thread library lets a detach that
// comes while the thread is ending hand the thread's bookkeeping to the next
// thread created while the ending thread still uses it: that new thread then
// loses its thread-local values and has freed memory written to. A kept
// thread is joined once its state says it has ended, when the next thread is
// given up; those still running when the process ends are never destroyed.
void CThreadWrapper::Abandon(std::thread thread, std::shared_ptr<State> state) {
  struct Kept {
    std::thread thread;
    std::shared_ptr<State> state;
  };
  static std::mutex mutex;
  static auto* kept = new std::vector<Kept>();  // lives as long as the process
  std::lock_guard<std::mutex> lock(mutex);
  for (auto it = kept->begin(); it != kept->end();) {
    bool ended;
    {
      std::lock_guard<std::mutex> stateLock(it->state->mutex);
      ended = it->state->ended;
    }
    if (ended) {
      it->thread.join();  // only the last few instructions of the thread are left
      it = kept->erase(it);
    } else {
      ++it;
    }
  }
  kept->push_back({std::move(thread), std::move(state)});
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

void CThreadWrapper::Run(std::shared_ptr<State> state, const char* name, CThreadWrapper* network) {
  netlib::NameCurrentThread(name);
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
    m_vecNetThreads.push_back(new CThreadWrapper("netlib net", true));
  }
}

CThreadWrapper* CThreadManager::GetNetThread() {
  std::lock_guard<std::mutex> lock(m_mutex);
  StartNetThreads();
  return m_vecNetThreads[m_nNextNetThread++ % m_vecNetThreads.size()];
}

int CThreadManager::CreateTaskThread(CThreadWrapper*& thread, int /*type*/, int /*flag*/) {
  thread = new CThreadWrapper("netlib task");
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
