#include "detect/detect_msg.h"

#include "detect/delegate_detect.h"
#include "detect/detect_handler.h"

int DetectMsg::OnMsg() {
  if (!m_pHandler) return 0;
  DelegateDetect::Instance()->OnDetectBegin(m_pHandler);
  m_pHandler->DoDetect();
  DelegateDetect::Instance()->OnDetectFinish(m_pHandler);
  m_pHandler = nullptr;
  return 0;
}
