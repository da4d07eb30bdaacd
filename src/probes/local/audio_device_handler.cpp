#include "probes/local/audio_device_handler.h"

#include <dshow.h>

#include "corekit/log.h"
#include "probes/local/audio_endpoint.h"
#include "probes/local/device_enum.h"
#include "sysinfo/wmi_info.h"

namespace {
// Long enough to catch a quiet room's noise, short enough for the run.
constexpr DWORD kRecordingMs = 1500;
}  // namespace

CAudioDeviceHandler::CAudioDeviceHandler() : m_hStop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CAudioDeviceHandler::~CAudioDeviceHandler() {
  if (m_hStop) CloseHandle(m_hStop);
}

void CAudioDeviceHandler::Stop() {
  if (m_hStop) SetEvent(m_hStop);
}

int CAudioDeviceHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CAudioDeviceHandler::DoDetect()");
  m_vecAudioInput.clear();
  m_vecAudioOutput.clear();
  m_nMicCapture = MIC_NOT_MEASURED;
  m_dMicLevelDb.reset();
  m_bSpeakerMuted.reset();
  m_nSpeakerVolumePercent.reset();
  EnumDeviceCategory(CLSID_AudioInputDeviceCategory, m_vecAudioInput);
  EnumDeviceCategory(CLSID_AudioRendererCategory, m_vecAudioOutput);
  // Only for the log: the query writes one line per sound device.
  WmiInstanceMap soundDevices;
  theWmiInfo.GetMutilpleItemInfo(L"Win32_SoundDevice", {L"Description", L"Name"}, soundDevices);

  if (m_vecAudioInput.empty() && m_vecAudioOutput.empty()) return 1;
  // Released before returning, as the device enumeration does, so the
  // worker thread holds no COM initialisation between checks.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(com) && com != RPC_E_CHANGED_MODE) {
    LOG_METHOD(LOG_LEVEL_ERROR, "COM not available, signal not measured");
    return 1;
  }
  if (!m_vecAudioInput.empty() && m_hStop && WaitForSingleObject(m_hStop, 0) != WAIT_OBJECT_0) {
    RecordDefaultMicrophone(kRecordingMs, m_hStop, *this);
  }
  if (!m_vecAudioOutput.empty()) ReadDefaultSpeakerVolume(*this);
  if (SUCCEEDED(com)) CoUninitialize();
  return 1;
}
