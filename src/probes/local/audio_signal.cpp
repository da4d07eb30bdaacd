#include "probes/local/audio_signal.h"

#include <cmath>
#include <cstdint>
#include <cstring>

SampleFormat SampleFormatOf(bool bFloat, int containerBits, int validBits) {
  if (bFloat) return containerBits == 32 ? SAMPLE_FLOAT32 : SAMPLE_UNSUPPORTED;
  if (validBits > containerBits || validBits <= 0) return SAMPLE_UNSUPPORTED;
  switch (containerBits) {
    case 16: return SAMPLE_INT16;
    case 24: return SAMPLE_INT24;
    case 32: return SAMPLE_INT32;  // 24 valid bits sit in the high bytes
    default: return SAMPLE_UNSUPPORTED;
  }
}

void CMicSignalMeter::AddValue(double value) {
  // A driver's garbage (NaN, infinities) is a signal, but not a level.
  if (!std::isfinite(value)) value = 1.0;
  ++m_nSamples;
  if (value != 0.0) m_bHeard = true;
  m_dSumSquares += value * value;
}

template <typename T>
void CMicSignalMeter::AddEach(const unsigned char* bytesIn, size_t bytes, double fullScale) {
  for (size_t i = 0; i + sizeof(T) <= bytes; i += sizeof(T)) {
    T value;
    std::memcpy(&value, bytesIn + i, sizeof(T));
    AddValue(static_cast<double>(value) / fullScale);
  }
}

void CMicSignalMeter::Add(const void* data, size_t bytes, SampleFormat format) {
  const unsigned char* bytesIn = static_cast<const unsigned char*>(data);
  switch (format) {
    case SAMPLE_FLOAT32: AddEach<float>(bytesIn, bytes, 1.0); break;
    case SAMPLE_INT16: AddEach<int16_t>(bytesIn, bytes, 32768.0); break;
    case SAMPLE_INT32: AddEach<int32_t>(bytesIn, bytes, 2147483648.0); break;
    case SAMPLE_INT24:
      // Three bytes, little-endian, moved to the top of a 32-bit value.
      for (size_t i = 0; i + 3 <= bytes; i += 3) {
        const int32_t value = static_cast<int32_t>(static_cast<uint32_t>(bytesIn[i]) << 8 |
                                                   static_cast<uint32_t>(bytesIn[i + 1]) << 16 |
                                                   static_cast<uint32_t>(bytesIn[i + 2]) << 24);
        AddValue(value / 2147483648.0);
      }
      break;
    case SAMPLE_UNSUPPORTED: break;
  }
}

int CMicSignalMeter::Outcome() const {
  if (m_nSamples == 0) return MIC_FAILED;
  return m_bHeard ? MIC_SIGNAL : MIC_SILENT;
}

double CMicSignalMeter::LevelDb() const {
  if (m_nSamples == 0 || m_dSumSquares <= 0.0) return -200.0;
  return 10.0 * std::log10(m_dSumSquares / static_cast<double>(m_nSamples));
}
