// The interface of every check of a run, and the type ids that tell the
// checks apart.
#pragma once

// Type ids. The run order differs from the numbering (see handler_list.cpp).
enum DetectType {
  DETECT_TYPE_CPU = 0,
  DETECT_TYPE_MEMORY = 1,
  DETECT_TYPE_AUDIO = 2,
  DETECT_TYPE_VIDEO = 3,
  DETECT_TYPE_DISK = 4,
  DETECT_TYPE_DISPLAY_ADAPTER = 5,
  DETECT_TYPE_SYSTEM = 6,
  DETECT_TYPE_NET_ADAPTER = 7,
  DETECT_TYPE_IP_SITE = 8,
  DETECT_TYPE_SERVER_NET = 9,
  DETECT_TYPE_PROCESS = 10,
};

// Ids 8 and 9 form the network group; every other id the system group.
inline bool IsNetworkGroup(int type) { return type == DETECT_TYPE_IP_SITE || type == DETECT_TYPE_SERVER_NET; }

class IDetectHandler {
 public:
  virtual ~IDetectHandler() = default;
  virtual int GetType() = 0;
  // The whole check, on the detection worker thread; findings stay in the handler.
  virtual int DoDetect() = 0;
  virtual bool IsReserved() { return false; }
  // True for the checks whose work runs partly in the background.
  virtual bool IsAsync() { return false; }
  // Launches the background work at the start of a run (user-interface thread).
  virtual int PreStart() { return 1; }
  // A cancel: aborts the background work and wakes or cuts short a running
  // DoDetect (user-interface thread; every handler of the run is told).
  virtual void Stop() {}
};
