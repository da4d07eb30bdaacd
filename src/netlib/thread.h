// Task threads of the network library: each runs the IMsg objects posted to
// its queue, one at a time, first in first out.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "netlib/msg.h"

class CThreadWrapper;

class CMsgQueue {
 public:
  // Queues `msg`; the thread later runs OnMsg, then Release. Returns 0, or
  // -1 when the thread is stopping (the message is released unrun).
  int PostMsg(IMsg* msg, int flag = 1);

 private:
  friend class CThreadWrapper;
  explicit CMsgQueue(CThreadWrapper* owner) : m_pOwner(owner) {}
  CThreadWrapper* m_pOwner;
};

class CThreadWrapper {
 public:
  CMsgQueue* GetMsgQueue() { return &m_queue; }

  // Asks the thread to end after the message it is running; queued messages
  // are released without being run.
  void Stop(int flag = 0);
  // Waits at most `milliseconds` for the thread to end: 0 when it has ended,
  // -1 on time-out.
  int Join(int milliseconds);
  // Frees the wrapper. A thread that has not ended yet is left to finish on
  // its own; it is joined once it has ended (see Abandon).
  void Destory(int flag = 0);

  // The operating system's handle of the thread (a HANDLE on Windows).
  void* NativeHandle();

  // The network thread running the caller, or null on any other thread.
  static CThreadWrapper* CurrentNetThread();

 private:
  friend class CThreadManager;
  friend class CMsgQueue;
  struct State;

  // `name` names the thread (see NameCurrentThread). A network thread
  // knows itself (CurrentNetThread); network threads are never freed.
  explicit CThreadWrapper(const char* name, bool network = false);
  ~CThreadWrapper();
  int Post(IMsg* msg);
  static void Run(std::shared_ptr<State> state, const char* name, CThreadWrapper* network);
  // Keeps a thread whose wrapper goes before it has ended, instead of
  // detaching it, and joins the kept threads that have ended since.
  static void Abandon(std::thread thread, std::shared_ptr<State> state);

  std::shared_ptr<State> m_pState;
  std::thread m_thread;
  CMsgQueue m_queue;
};

class CThreadManager {
 public:
  static CThreadManager* Instance();

  // The number of network threads (one per processor); they start on first use.
  void SetNetThreadNum(int count);
  int GetNetThreadNum() const { return m_nNetThreadNum; }
  // A network thread, chosen round robin; HTTP callbacks run there.
  CThreadWrapper* GetNetThread();

  // Creates a task thread with its own queue. Returns 0 and stores it in
  // `thread`; the caller ends it with Stop, Join and Destory.
  int CreateTaskThread(CThreadWrapper*& thread, int type = 1, int flag = 1);

  // The library's own service threads (the timer thread and the first
  // network thread), for raising their priority.
  std::vector<void*> ServiceThreadHandles();

 private:
  CThreadManager() = default;
  void StartNetThreads();  // with m_mutex held
  std::mutex m_mutex;
  int m_nNetThreadNum = 1;
  std::vector<CThreadWrapper*> m_vecNetThreads;
  size_t m_nNextNetThread = 0;
};
