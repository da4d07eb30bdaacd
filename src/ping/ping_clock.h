// The millisecond clock of the echo engine: the time stamp of a request and
// both ends of a round trip.
#pragma once

#include <cstdint>

// Milliseconds on a 32-bit clock that starts at the tick count of its first
// use and then advances with the performance counter: monotonic, unaffected
// by changes of the wall clock, and finer than the 15.6 ms steps of the
// system timer. Differences of two readings are round trips (modulo 2^32).
uint32_t GetPingClockMs();
