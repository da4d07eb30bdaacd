// The worker-queue message that runs one handler: begin report, DoDetect,
// finish report.
#pragma once

#include "netlib/msg.h"

class IDetectHandler;

class DetectMsg : public IMsg {
 public:
  explicit DetectMsg(IDetectHandler* handler) : m_pHandler(handler) {}
  int OnMsg() override;

 private:
  IDetectHandler* m_pHandler;  // not owned
};
