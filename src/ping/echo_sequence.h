// Sequence numbers of echo requests. One counter serves the whole process:
// every raw ICMP socket sees every answer on the host, and the sequence
// number (with the identifier) is what tells the answers of concurrent
// series apart, so two requests in flight never share one.
#pragma once

#include <atomic>
#include <cstdint>

class CEchoSequence {
 public:
  explicit CEchoSequence(uint16_t last = 0) : m_nLast(last) {}

  // The value after the last one handed out, in one atomic step; 65535 is
  // followed by 0.
  uint16_t Next() { return static_cast<uint16_t>(m_nLast.fetch_add(1) + 1); }

 private:
  std::atomic<uint16_t> m_nLast;
};

// The process-wide counter; the first request of the process carries 1.
uint16_t NextEchoSequence();
