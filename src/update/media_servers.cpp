#include "update/media_servers.h"

namespace {
IMediaServerSource* g_pSource = nullptr;
const SpeedSettings kNoSpeedSettings;
}

const MediaServerSlots& DefaultMediaServerSlots() {
  static const MediaServerSlots slots = {{
      {L"\u8054\u901A\u670D\u52A1\u56681", "cnc1.media.orvane.com"},  // 联通服务器1
      {L"\u8054\u901A\u670D\u52A1\u56682", "cnc2.media.orvane.com"},  // 联通服务器2
      {L"\u7535\u4FE1\u670D\u52A1\u56681", "ctc1.media.orvane.com"},  // 电信服务器1
      {L"\u7535\u4FE1\u670D\u52A1\u56682", "ctc2.media.orvane.com"},  // 电信服务器2
      {L"\u79FB\u52A8\u670D\u52A1\u56681", "cmc1.media.orvane.com"},  // 移动服务器1
      {L"\u79FB\u52A8\u670D\u52A1\u56682", "cmc2.media.orvane.com"},  // 移动服务器2
  }};
  return slots;
}

void SetMediaServerSource(IMediaServerSource* source) { g_pSource = source; }

const MediaServerSlots& CurrentMediaServers() {
  return g_pSource ? g_pSource->GetMediaServers() : DefaultMediaServerSlots();
}

const SpeedSettings& IMediaServerSource::GetSpeedSettings() { return kNoSpeedSettings; }

const SpeedSettings& CurrentSpeedSettings() { return g_pSource ? g_pSource->GetSpeedSettings() : kNoSpeedSettings; }
