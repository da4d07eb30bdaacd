// The devices that the audio and camera checks list, and which of the
// enumerated devices make it into a list.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "probes/local/audio_signal.h"

struct DeviceEntry {
  std::wstring strDisplayName;   // the moniker's display name (a system identifier)
  std::wstring strFriendlyName;  // the name users see
  int nIndex = 0;                // position in the enumeration, counting left-out devices
};

struct AudioDeviceFindings {
  std::vector<DeviceEntry> m_vecAudioInput;   // microphones
  std::vector<DeviceEntry> m_vecAudioOutput;  // speakers and headsets
  int m_nMicCapture = MIC_NOT_MEASURED;       // what recording the default microphone showed
  std::optional<double> m_dMicLevelDb;        // with MIC_SIGNAL: its mean power, dB of full scale
  std::optional<bool> m_bSpeakerMuted;        // the default speaker's mute, where the system says
  std::optional<int> m_nSpeakerVolumePercent; // its master volume, 0 to 100, where the system says
};

struct VideoDeviceFindings {
  std::vector<DeviceEntry> m_vecVideoInput;  // cameras
};

// False for the default-device entries and the DirectSound duplicates of
// the output devices: names that begin with "Default" or "DirectSound"
// (case-sensitive, at the first character only).
bool IsListedDeviceName(const std::wstring& friendlyName);

// Appends the enumerated device unless its name leaves it out.
void AppendListedDevice(std::vector<DeviceEntry>& list, DeviceEntry entry);
