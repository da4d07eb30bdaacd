#include "probes/local/audio_device_handler.h"

#include <dshow.h>

#include <memory>
#include <mutex>

#include "corekit/log.h"
#include "probes/local/audio_endpoint.h"
#include "probes/local/device_enum.h"
#include "sysinfo/wmi_info.h"

namespace {
// Long enough to catch a quiet room's noise, short enough for the run.
constexpr DWORD kRecordingMs = 1500;
// How long the sound system may take for the whole check, the recording
// included. Its calls wait for ever on a hung audio service or a sound
// server that no longer answers; the run goes on without them.
constexpr DWORD kSoundSystemMs = 15000;
// After a cancel, how long the recording may take to see it and end.
constexpr DWORD kCancelGraceMs = 1000;

// What the sound thread has found so far. The thread holds a share of it,
// so a thread that the check no longer waits for writes only here.
struct SoundReading {
  explicit SoundReading(HANDLE stopEvent) {
    if (stopEvent) DuplicateHandle(GetCurrentProcess(), stopEvent, GetCurrentProcess(), &stop, 0, FALSE,
                                   DUPLICATE_SAME_ACCESS);
  }
  ~SoundReading() {
    if (stop) CloseHandle(stop);
  }
  SoundReading(const SoundReading&) = delete;
  SoundReading& operator=(const SoundReading&) = delete;

  void Publish(const AudioDeviceFindings& found) {
    std::lock_guard<std::mutex> lock(mutex);
    findings = found;
  }

  HANDLE stop = nullptr;  // the check's cancel
  std::mutex mutex;       // guards findings
  AudioDeviceFindings findings;
};

// Lists the devices, then records from the default microphone and reads the
// default speaker's volume, publishing after each step.
DWORD WINAPI ReadSoundSystem(void* param) {
  const std::unique_ptr<std::shared_ptr<SoundReading>> share(static_cast<std::shared_ptr<SoundReading>*>(param));
  SoundReading& reading = **share;
  AudioDeviceFindings found;
  EnumDeviceCategory(CLSID_AudioInputDeviceCategory, found.m_vecAudioInput);
  EnumDeviceCategory(CLSID_AudioRendererCategory, found.m_vecAudioOutput);
  reading.Publish(found);
  if (found.m_vecAudioInput.empty() && found.m_vecAudioOutput.empty()) return 0;
  // After the enumeration, which initialises COM itself.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(com)) {
    LOG_FUNC(LOG_LEVEL_ERROR, "COM not available, signal not measured");
    return 0;
  }
  if (!found.m_vecAudioInput.empty() && reading.stop && WaitForSingleObject(reading.stop, 0) != WAIT_OBJECT_0) {
    RecordDefaultMicrophone(kRecordingMs, reading.stop, found);
    reading.Publish(found);
  }
  if (!found.m_vecAudioOutput.empty()) {
    ReadDefaultSpeakerVolume(found);
    reading.Publish(found);
  }
  CoUninitialize();
  return 0;
}
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
  static_cast<AudioDeviceFindings&>(*this) = AudioDeviceFindings();
  // The sound system's calls run on a thread of their own, waited for at
  // most kSoundSystemMs, and less after a cancel.
  const auto reading = std::make_shared<SoundReading>(m_hStop);
  auto* share = new std::shared_ptr<SoundReading>(reading);
  const HANDLE thread = CreateThread(nullptr, 0, ReadSoundSystem, share, 0, nullptr);
  if (!thread) {
    delete share;
    LOG_METHOD(LOG_LEVEL_ERROR, "CreateThread failed err = " << static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  const HANDLE waits[2] = {thread, m_hStop};
  DWORD waited = WaitForMultipleObjects(m_hStop ? 2 : 1, waits, FALSE, kSoundSystemMs);
  if (waited == WAIT_OBJECT_0 + 1) waited = WaitForSingleObject(thread, kCancelGraceMs);
  CloseHandle(thread);
  {
    std::lock_guard<std::mutex> lock(reading->mutex);
    static_cast<AudioDeviceFindings&>(*this) = reading->findings;
  }
  if (waited != WAIT_OBJECT_0) {
    const bool cancelled = m_hStop && WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0;
    LOG_METHOD(LOG_LEVEL_ERROR, "the sound system did not answer "
                                    << (cancelled ? "after the cancel" : "in time")
                                    << ", microphones = " << m_vecAudioInput.size()
                                    << ", speakers = " << m_vecAudioOutput.size());
    // A recording that never ended has no known signal.
    if (!cancelled && !m_vecAudioInput.empty() && m_nMicCapture == MIC_NOT_MEASURED) m_nMicCapture = MIC_FAILED;
  }
  // Only for the log: the query writes one line per sound device.
  WmiInstanceMap soundDevices;
  theWmiInfo.GetMutilpleItemInfo(L"Win32_SoundDevice", {L"Description", L"Name"}, soundDevices);
  return 1;
}
