// One timed transfer that measures a connection's speed over the process's
// WinHTTP session (the user's proxy, its time-outs), on a network thread:
// a GET whose body is counted and dropped, or POSTs one after the other
// whose bodies are made up as they go. An upload counts a POST only once the
// server has answered it, so bytes waiting in the socket buffers (megabytes
// on some systems) are never taken for bytes sent. At most one 64 KB buffer
// is held; nothing touches the disk.
#pragma once

#include <windows.h>

#include <string>

enum SpeedDirection { SPEED_DOWNLOAD, SPEED_UPLOAD };

struct SpeedOutcome {
  bool bMeasured = false;
  int nKbps = 0;           // kbit/s (1000 bits), when measured
  std::string strReason;   // why not, when not measured
  unsigned long long nBytes = 0;
};

// Runs one transfer of `url` for at most about five seconds and returns its
// rate (see CSpeedMeter). Blocks the calling thread, which must not be a
// network thread; `cancel` (an event) ends the transfer at once.
SpeedOutcome MeasureSpeed(SpeedDirection direction, const std::string& url, HANDLE cancel);
