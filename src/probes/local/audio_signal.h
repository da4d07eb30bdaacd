// What the audio check learns beyond the device lists: whether the default
// microphone delivers a signal, and whether the default speaker is muted or
// turned down. The recording itself is summed as it arrives and never kept.
#pragma once

#include <cstddef>

// The outcome of recording from the default microphone.
enum MicCapture {
  MIC_NOT_MEASURED = 0,  // no microphone, or the run was cancelled first
  MIC_SIGNAL = 1,        // some sample differed from zero
  MIC_SILENT = 2,        // every sample was exactly zero: muted, blocked or a dead driver
  MIC_DENIED = 3,        // the system refused the recording (privacy settings)
  MIC_FAILED = 4,        // busy, unsupported or failing: nothing is known of the signal
};

// The sample layouts a shared-mode recording arrives in.
enum SampleFormat { SAMPLE_UNSUPPORTED, SAMPLE_FLOAT32, SAMPLE_INT16, SAMPLE_INT24, SAMPLE_INT32 };

// The sample layout of a stream: IEEE float of 32 bits, or integer PCM of
// 16, 24 or 32 bits (24 packed in three bytes, or in a container of 32).
SampleFormat SampleFormatOf(bool bFloat, int containerBits, int validBits);

// Sums one recording: how many samples, whether any differed from zero,
// and their mean power relative to full scale.
class CMicSignalMeter {
 public:
  // Adds `bytes` bytes of interleaved samples in `format`; a partial
  // trailing sample is ignored.
  void Add(const void* data, size_t bytes, SampleFormat format);
  // Adds samples that the system marked as silence.
  void AddSilence(size_t samples) { m_nSamples += samples; }

  size_t SampleCount() const { return m_nSamples; }
  // What the recording showed: MIC_FAILED without any sample, MIC_SILENT
  // when all were zero, otherwise MIC_SIGNAL with LevelDb.
  int Outcome() const;
  // 10·log10 of the mean square, full scale 1.0 (a full-scale sine is
  // about −3 dB); only meaningful with a signal.
  double LevelDb() const;

 private:
  void AddValue(double value);
  // Adds each whole sample of type T, divided by `fullScale`.
  template <typename T>
  void AddEach(const unsigned char* bytesIn, size_t bytes, double fullScale);

  size_t m_nSamples = 0;
  bool m_bHeard = false;
  double m_dSumSquares = 0.0;
};
