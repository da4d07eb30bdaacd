// The rate of a timed transfer from the pieces it moved and when. The first
// half second after the first piece (TCP's slow start) does not count; the
// transfer is cut after five seconds and given up when nothing moves for two.
// No clock of its own: the caller passes milliseconds of a steady clock.
#pragma once

#include <cstdint>
#include <string>

class CSpeedMeter {
 public:
  static constexpr int64_t kSlowStartMs = 500;
  static constexpr int64_t kLimitMs = 5000;
  static constexpr int64_t kStallMs = 2000;

  enum Check { CHECK_RUNNING, CHECK_ENOUGH, CHECK_STALLED };

  // The request went out at `nowMs`.
  explicit CSpeedMeter(int64_t nowMs) : m_nBeginMs(nowMs) {}

  // `bytes` arrived (or were handed on) at `nowMs`.
  void Add(int64_t nowMs, uint64_t bytes);
  // Nothing could move for `ms` before the next piece for a reason that is
  // not the line's (an upload opening its next connection): that time is
  // left out of the rate.
  void Pause(int64_t ms) { m_nPausedMs += ms; }
  // Whether the transfer should go on at `nowMs`: it has had its time, or it
  // has moved nothing for kStallMs (counted from the request before the
  // first piece).
  Check CheckAt(int64_t nowMs) const;

  // The rate in kbit/s (1000 bits) once the transfer ended: over the pieces
  // after the slow start, measured between piece arrivals; when the transfer
  // was over before half a second of them had come, over all pieces after
  // the first. False (and `reason` set) when there is too little to tell.
  bool Kbps(int& kbps, std::string& reason) const;

  uint64_t TotalBytes() const { return m_nTotal; }

 private:
  int64_t m_nBeginMs;
  int64_t m_nFirstMs = -1;   // the first piece
  uint64_t m_nFirstBytes = 0;
  int64_t m_nLastMs = -1;    // the latest piece
  int64_t m_nWindowMs = -1;  // the last piece within the slow start: where counting starts
  uint64_t m_nCounted = 0;   // bytes of the pieces after it
  uint64_t m_nTotal = 0;
  int64_t m_nPausedMs = 0;        // all pauses so far
  int64_t m_nPausedAtWindow = 0;  // those before the window's piece
  int64_t m_nPausedAtLast = 0;    // those before the latest piece
};
