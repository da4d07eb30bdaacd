#include "probes/local/audio_device_handler.h"

#include <dshow.h>

#include "corekit/log.h"
#include "probes/local/device_enum.h"
#include "sysinfo/wmi_info.h"

int CAudioDeviceHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CAudioDeviceHandler::DoDetect()");
  m_vecAudioInput.clear();
  m_vecAudioOutput.clear();
  EnumDeviceCategory(CLSID_AudioInputDeviceCategory, m_vecAudioInput);
  EnumDeviceCategory(CLSID_AudioRendererCategory, m_vecAudioOutput);
  // Only for the log: the query writes one line per sound device.
  WmiInstanceMap soundDevices;
  theWmiInfo.GetMutilpleItemInfo(L"Win32_SoundDevice", {L"Description", L"Name"}, soundDevices);
  return 1;
}
