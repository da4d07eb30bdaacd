// The worker-queue message that runs one handler: begin report, DoDetect,
// finish report.
#pragma once

#include <memory>

#include "netlib/msg.h"

class DelegateDetect;
class IDetectHandler;

class DetectMsg : public IMsg {
 public:
  // The message keeps its sequencer alive until the worker has released it.
  DetectMsg(std::shared_ptr<DelegateDetect> detect, IDetectHandler* handler)
      : m_pDetect(std::move(detect)), m_pHandler(handler) {}
  int OnMsg() override;

 private:
  std::shared_ptr<DelegateDetect> m_pDetect;
  IDetectHandler* m_pHandler;  // owned by the sequencer
};
