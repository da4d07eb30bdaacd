#include "ping/ping_clock.h"

#include <windows.h>

namespace {

struct ClockOrigin {
  ClockOrigin() {
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    tickMs = GetTickCount();
  }
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  DWORD tickMs;
};

}  // namespace

uint32_t GetPingClockMs() {
  static const ClockOrigin origin;  // latched once, on first use, by whichever thread comes first
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const uint64_t elapsed = static_cast<uint64_t>(now.QuadPart - origin.counter.QuadPart);
  const uint64_t frequency = static_cast<uint64_t>(origin.frequency.QuadPart);
  // Whole seconds and the rest apart, so the product cannot overflow.
  const uint64_t elapsedMs = elapsed / frequency * 1000 + elapsed % frequency * 1000 / frequency;
  return static_cast<uint32_t>(origin.tickMs + elapsedMs);
}
