// The default microphone and speaker as Windows' audio endpoints (WASAPI):
// a short shared-mode recording whose samples are summed as they arrive and
// never kept, and the speaker's mute and master volume. Nothing is played.
// The caller holds a COM initialisation on its thread.
#pragma once

#include <windows.h>

#include "probes/local/device_list.h"

// Records about `durationMs` from the default capture endpoint, counted from
// its first data (waited for at most a few seconds), or less when
// `stop` is set (then MIC_NOT_MEASURED), and stores the outcome and, with a
// signal, its level in `audio`.
void RecordDefaultMicrophone(DWORD durationMs, HANDLE stop, AudioDeviceFindings& audio);

// Stores the default render endpoint's mute and master volume in `audio`,
// each only where the system reports it.
void ReadDefaultSpeakerVolume(AudioDeviceFindings& audio);
