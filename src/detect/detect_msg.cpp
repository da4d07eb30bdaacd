#include "detect/detect_msg.h"

#include "detect/delegate_detect.h"
#include "detect/detect_handler.h"

int DetectMsg::OnMsg() {
  if (!m_pDetect || !m_pHandler) return 0;
  m_pDetect->OnDetectBegin(m_pHandler);
  m_pHandler->DoDetect();
  m_pDetect->OnDetectFinish(m_pHandler);
  m_pHandler = nullptr;
  return 0;
}
