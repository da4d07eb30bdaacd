// The six media servers a run measures: display name and host, in the slot
// order the main window keeps them. The built-in defaults live here and
// nowhere else; the configuration file may replace them.
#pragma once

#include <array>
#include <string>

struct MediaServerEntry {
  std::wstring strName;    // display name; begins with the carrier ("电信服务器1")
  std::string strDomain;   // host name or dotted address that is pinged
};

enum MediaServerSlot {
  SLOT_CNC1 = 0,  // China Unicom 1
  SLOT_CNC2 = 1,  // China Unicom 2
  SLOT_CTC1 = 2,  // China Telecom 1
  SLOT_CTC2 = 3,  // China Telecom 2
  SLOT_CMC1 = 4,  // China Mobile 1
  SLOT_CMC2 = 5,  // China Mobile 2
  MEDIA_SERVER_SLOTS = 6,
};

using MediaServerSlots = std::array<MediaServerEntry, MEDIA_SERVER_SLOTS>;

// The default names and the six built-in hosts.
const MediaServerSlots& DefaultMediaServerSlots();

// Who holds the slots of the running program (the main window). A run reads
// them when it starts; without a holder the defaults serve.
class IMediaServerSource {
 public:
  virtual const MediaServerSlots& GetMediaServers() = 0;

 protected:
  ~IMediaServerSource() = default;
};
void SetMediaServerSource(IMediaServerSource* source);
const MediaServerSlots& CurrentMediaServers();
