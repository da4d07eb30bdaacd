// Keeps callbacks of an object from running after the object was closed:
// every callback runs between Enter and Leave, and Close waits for one that
// is running on another thread; a callback closing its own object does not
// wait for itself.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

class CCallbackGate {
 public:
  // False once closed: the callback must not run.
  bool Enter() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bClosed) return false;
    ++m_nRunning;
    m_runningThread = std::this_thread::get_id();
    return true;
  }
  void Leave() {
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_nRunning;
    m_idle.notify_all();
  }
  void Close() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_bClosed = true;
    m_idle.wait(lock, [&] { return m_nRunning == 0 || m_runningThread == std::this_thread::get_id(); });
  }
  bool IsClosed() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bClosed;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_idle;
  bool m_bClosed = false;
  int m_nRunning = 0;
  std::thread::id m_runningThread;
};
