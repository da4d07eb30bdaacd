#include "ping/echo_stop.h"

#include "corekit/log.h"

EchoStop::EchoStop() : m_hEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!m_hEvent) LOG_METHOD(LOG_LEVEL_ERROR, "CreateEvent failed err = " << static_cast<unsigned long>(GetLastError()));
}

EchoStop::~EchoStop() {
  if (m_hEvent) CloseHandle(m_hEvent);
}

void EchoStop::Set() {
  m_bSet = true;
  if (m_hEvent) SetEvent(m_hEvent);
}

bool EchoStop::WaitFor(DWORD ms) const {
  if (m_hEvent) return WaitForSingleObject(m_hEvent, ms) == WAIT_OBJECT_0 || m_bSet;
  for (DWORD slept = 0; slept < ms && !m_bSet; slept += kStopSliceMs) {
    Sleep(ms - slept < kStopSliceMs ? ms - slept : kStopSliceMs);
  }
  return m_bSet;
}
