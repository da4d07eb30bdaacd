#include "probes/local/audio_endpoint.h"

#include <audioclient.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <mmreg.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "corekit/log.h"
#include "probes/local/audio_signal.h"

namespace {

// The device-buffer length asked for: 1 s, in 100-ns units, so that a slow
// poll never loses data.
constexpr REFERENCE_TIME kBufferDuration = 10000000;
// How often the buffer is emptied, and the stop event looked at.
constexpr DWORD kPollMs = 10;
// How long a device may take from its start to its first data (a headset
// waking up, a busy sound server); the recording's length counts from then.
constexpr DWORD kFirstDataWaitMs = 3000;

std::string HresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(hr));
  return text;
}

template <typename T>
void Release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// Windows' extensible formats name their sample type with a subtype GUID
// built from the plain format tag.
bool IsSubtype(const GUID& subFormat, WORD tag) {
  const GUID base = {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  return IsEqualGUID(subFormat, base) != 0;
}

SampleFormat MixSampleFormat(const WAVEFORMATEX& format) {
  if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) return SampleFormatOf(true, format.wBitsPerSample, format.wBitsPerSample);
  if (format.wFormatTag == WAVE_FORMAT_PCM) return SampleFormatOf(false, format.wBitsPerSample, format.wBitsPerSample);
  if (format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && format.cbSize >= 22) {
    const WAVEFORMATEXTENSIBLE& extensible = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(format);
    const int valid = extensible.Samples.wValidBitsPerSample ? extensible.Samples.wValidBitsPerSample
                                                              : format.wBitsPerSample;
    if (IsSubtype(extensible.SubFormat, WAVE_FORMAT_IEEE_FLOAT)) return SampleFormatOf(true, format.wBitsPerSample, valid);
    if (IsSubtype(extensible.SubFormat, WAVE_FORMAT_PCM)) return SampleFormatOf(false, format.wBitsPerSample, valid);
  }
  return SAMPLE_UNSUPPORTED;
}

IMMDevice* DefaultEndpoint(EDataFlow flow, HRESULT& hr) {
  IMMDeviceEnumerator* enumerator = nullptr;
  hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IMMDeviceEnumerator),
                        reinterpret_cast<void**>(&enumerator));
  if (FAILED(hr)) return nullptr;
  IMMDevice* device = nullptr;
  hr = enumerator->GetDefaultAudioEndpoint(flow, eConsole, &device);
  enumerator->Release();
  return SUCCEEDED(hr) ? device : nullptr;
}

// The outcome of a step that failed: refused by the system (privacy
// settings answer desktop programs so on some versions) or another failure.
int FailureOutcome(HRESULT hr) { return hr == E_ACCESSDENIED ? MIC_DENIED : MIC_FAILED; }

// One shared-mode recording from an initialised client. Returns its outcome.
int Record(IAudioClient* client, IAudioCaptureClient* capture, const WAVEFORMATEX& format, SampleFormat sampleFormat,
           DWORD durationMs, HANDLE stop, double& levelDb) {
  CMicSignalMeter meter;
  HRESULT hr = client->Start();
  if (FAILED(hr)) {
    LOG_FUNC(LOG_LEVEL_ERROR, "IAudioClient::Start failed, hr = " << HresultText(hr));
    return FailureOutcome(hr);
  }
  const DWORD started = GetTickCount();
  // Until the first data: the wait for it from the start; then the
  // recording's length from that data.
  DWORD begun = started;
  bool delivering = false;
  bool stopped = false;
  while (SUCCEEDED(hr) && GetTickCount() - begun < (delivering ? durationMs : kFirstDataWaitMs)) {
    if (WaitForSingleObject(stop, kPollMs) == WAIT_OBJECT_0) {
      stopped = true;
      break;
    }
    UINT32 packet = 0;
    while (SUCCEEDED(hr = capture->GetNextPacketSize(&packet)) && packet > 0) {
      BYTE* data = nullptr;
      UINT32 frames = 0;
      DWORD flags = 0;
      hr = capture->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
      if (FAILED(hr)) break;
      if (flags & AUDCLNT_BUFFERFLAGS_SILENT) {
        meter.AddSilence(static_cast<size_t>(frames) * format.nChannels);
      } else {
        meter.Add(data, static_cast<size_t>(frames) * format.nBlockAlign, sampleFormat);
      }
      capture->ReleaseBuffer(frames);
      if (!delivering && meter.SampleCount() > 0) {
        begun = GetTickCount();
        delivering = true;
        LOG_FUNC(LOG_LEVEL_INFO, "first data after " << static_cast<unsigned long>(begun - started) << " ms");
      }
    }
  }
  client->Stop();
  if (stopped) {
    LOG_FUNC(LOG_LEVEL_INFO, "recording stopped by a cancel");
    return MIC_NOT_MEASURED;
  }
  if (FAILED(hr)) {
    LOG_FUNC(LOG_LEVEL_ERROR, "recording failed, hr = " << HresultText(hr));
    return FailureOutcome(hr);
  }
  const int outcome = meter.Outcome();
  if (outcome == MIC_FAILED) {
    LOG_FUNC(LOG_LEVEL_ERROR, "recording delivered no samples in " << static_cast<unsigned long>(kFirstDataWaitMs) << " ms");
  }
  if (outcome == MIC_SIGNAL) levelDb = meter.LevelDb();
  return outcome;
}

int RecordFrom(IMMDevice* device, DWORD durationMs, HANDLE stop, double& levelDb) {
  IAudioClient* client = nullptr;
  HRESULT hr = device->Activate(__uuidof(IAudioClient), CLSCTX_INPROC_SERVER, nullptr, reinterpret_cast<void**>(&client));
  if (FAILED(hr)) {
    LOG_FUNC(LOG_LEVEL_ERROR, "IAudioClient not available, hr = " << HresultText(hr));
    return FailureOutcome(hr);
  }
  WAVEFORMATEX* format = nullptr;
  IAudioCaptureClient* capture = nullptr;
  int outcome = MIC_FAILED;
  hr = client->GetMixFormat(&format);
  const SampleFormat sampleFormat = SUCCEEDED(hr) ? MixSampleFormat(*format) : SAMPLE_UNSUPPORTED;
  if (FAILED(hr)) {
    LOG_FUNC(LOG_LEVEL_ERROR, "GetMixFormat failed, hr = " << HresultText(hr));
  } else if (sampleFormat == SAMPLE_UNSUPPORTED) {
    LOG_FUNC(LOG_LEVEL_ERROR, "mix format not readable, tag = " << static_cast<unsigned>(format->wFormatTag)
                                                                << ", bits = " << static_cast<unsigned>(format->wBitsPerSample));
  } else if (FAILED(hr = client->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, kBufferDuration, 0, format, nullptr))) {
    // AUDCLNT_E_DEVICE_IN_USE: another program holds the device exclusively.
    LOG_FUNC(LOG_LEVEL_ERROR, "IAudioClient::Initialize failed, hr = " << HresultText(hr));
    outcome = FailureOutcome(hr);
  } else if (FAILED(hr = client->GetService(__uuidof(IAudioCaptureClient), reinterpret_cast<void**>(&capture)))) {
    LOG_FUNC(LOG_LEVEL_ERROR, "IAudioCaptureClient not available, hr = " << HresultText(hr));
    outcome = FailureOutcome(hr);
  } else {
    LOG_FUNC(LOG_LEVEL_INFO, "recording: channels = " << static_cast<unsigned>(format->nChannels) << ", rate = "
                                                      << static_cast<unsigned long>(format->nSamplesPerSec)
                                                      << ", bits = " << static_cast<unsigned>(format->wBitsPerSample));
    outcome = Record(client, capture, *format, sampleFormat, durationMs, stop, levelDb);
  }
  Release(capture);
  if (format) CoTaskMemFree(format);
  client->Release();
  return outcome;
}

}  // namespace

void RecordDefaultMicrophone(DWORD durationMs, HANDLE stop, AudioDeviceFindings& audio) {
  HRESULT hr = S_OK;
  IMMDevice* device = DefaultEndpoint(eCapture, hr);
  if (!device) {
    LOG_FUNC(LOG_LEVEL_ERROR, "no default capture endpoint, hr = " << HresultText(hr));
    audio.m_nMicCapture = FailureOutcome(hr);
    return;
  }
  double levelDb = 0.0;
  audio.m_nMicCapture = RecordFrom(device, durationMs, stop, levelDb);
  device->Release();
  if (audio.m_nMicCapture == MIC_SIGNAL) audio.m_dMicLevelDb = levelDb;
  LOG_FUNC(LOG_LEVEL_INFO, "m_nMicCapture = " << audio.m_nMicCapture << ", m_dMicLevelDb = " << levelDb);
}

void ReadDefaultSpeakerVolume(AudioDeviceFindings& audio) {
  HRESULT hr = S_OK;
  IMMDevice* device = DefaultEndpoint(eRender, hr);
  IAudioEndpointVolume* volume = nullptr;
  if (device) {
    hr = device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                          reinterpret_cast<void**>(&volume));
    device->Release();
  }
  if (!volume) {
    LOG_FUNC(LOG_LEVEL_ERROR, "speaker volume not available, hr = " << HresultText(hr));
    return;
  }
  BOOL muted = FALSE;
  if (SUCCEEDED(volume->GetMute(&muted))) audio.m_bSpeakerMuted = muted != FALSE;
  float level = 0.0f;
  if (SUCCEEDED(volume->GetMasterVolumeLevelScalar(&level)) && std::isfinite(level)) {
    audio.m_nSpeakerVolumePercent = static_cast<int>(std::lround(std::fmin(std::fmax(level, 0.0f), 1.0f) * 100.0));
  }
  volume->Release();
  LOG_FUNC(LOG_LEVEL_INFO, "m_bSpeakerMuted = " << (audio.m_bSpeakerMuted ? static_cast<int>(*audio.m_bSpeakerMuted) : -1)
                                                << ", m_nSpeakerVolumePercent = " << audio.m_nSpeakerVolumePercent.value_or(-1));
}
