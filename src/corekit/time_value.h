// A span or point of time in seconds and microseconds, always normalised so
// that the microseconds lie in [0, 1000000).
#pragma once

#include <cstdint>

class CTimeValueWrapper {
 public:
  CTimeValueWrapper() = default;
  CTimeValueWrapper(int64_t seconds, int64_t microseconds) { Set(seconds, microseconds); }

  void Set(int64_t seconds, int64_t microseconds) {
    m_llSec = seconds;
    m_llUsec = microseconds;
    Normalize();
  }
  void Normalize() {
    m_llSec += m_llUsec / 1000000;
    m_llUsec %= 1000000;
    if (m_llUsec < 0) {
      m_llUsec += 1000000;
      m_llSec -= 1;
    }
  }

  int64_t GetSec() const { return m_llSec; }
  int64_t GetUsec() const { return m_llUsec; }
  int64_t GetTotalInMsec() const { return m_llSec * 1000 + m_llUsec / 1000; }
  int64_t GetTotalInUsec() const { return m_llSec * 1000000 + m_llUsec; }

  friend CTimeValueWrapper operator+(const CTimeValueWrapper& a, const CTimeValueWrapper& b) {
    return CTimeValueWrapper(a.m_llSec + b.m_llSec, a.m_llUsec + b.m_llUsec);
  }
  friend CTimeValueWrapper operator-(const CTimeValueWrapper& a, const CTimeValueWrapper& b) {
    return CTimeValueWrapper(a.m_llSec - b.m_llSec, a.m_llUsec - b.m_llUsec);
  }
  friend bool operator==(const CTimeValueWrapper& a, const CTimeValueWrapper& b) {
    return a.m_llSec == b.m_llSec && a.m_llUsec == b.m_llUsec;
  }
  friend bool operator<(const CTimeValueWrapper& a, const CTimeValueWrapper& b) {
    return a.m_llSec < b.m_llSec || (a.m_llSec == b.m_llSec && a.m_llUsec < b.m_llUsec);
  }

 private:
  int64_t m_llSec = 0;
  int64_t m_llUsec = 0;
};
