// The six media servers a run measures: display name and host, in the slot
// order the main window keeps them. The built-in defaults live here and
// nowhere else; the configuration file may replace them.
#pragma once

#include <array>
#include <string>

#include "update/speed_settings.h"

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

// The slots of the running program, held by the main window. The updater
// fills them from the configuration file through the setters, one field of
// one slot each; nothing else writes them.
class MediaServerList {
 public:
  MediaServerList() : m_slots(DefaultMediaServerSlots()) {}
  const MediaServerSlots& Slots() const { return m_slots; }

  void SetNameCNC1(const std::wstring& name) { m_slots[SLOT_CNC1].strName = name; }
  void SetDomainCNC1(const std::string& domain) { m_slots[SLOT_CNC1].strDomain = domain; }
  void SetNameCNC2(const std::wstring& name) { m_slots[SLOT_CNC2].strName = name; }
  void SetDomainCNC2(const std::string& domain) { m_slots[SLOT_CNC2].strDomain = domain; }
  void SetNameCTC1(const std::wstring& name) { m_slots[SLOT_CTC1].strName = name; }
  void SetDomainCTC1(const std::string& domain) { m_slots[SLOT_CTC1].strDomain = domain; }
  void SetNameCTC2(const std::wstring& name) { m_slots[SLOT_CTC2].strName = name; }
  void SetDomainCTC2(const std::string& domain) { m_slots[SLOT_CTC2].strDomain = domain; }
  void SetNameCMC1(const std::wstring& name) { m_slots[SLOT_CMC1].strName = name; }
  void SetDomainCMC1(const std::string& domain) { m_slots[SLOT_CMC1].strDomain = domain; }
  void SetNameCMC2(const std::wstring& name) { m_slots[SLOT_CMC2].strName = name; }
  void SetDomainCMC2(const std::string& domain) { m_slots[SLOT_CMC2].strDomain = domain; }

  // The speed measurement of the class service that goes with the servers.
  const SpeedSettings& Speed() const { return m_speed; }
  void SetSpeed(const SpeedSettings& speed) { m_speed = speed; }

 private:
  MediaServerSlots m_slots;
  SpeedSettings m_speed;
};

// Who holds the slots of the running program (the main window). A run reads
// them when it starts; without a holder the defaults serve.
class IMediaServerSource {
 public:
  virtual const MediaServerSlots& GetMediaServers() = 0;
  // None unless the configuration names the speed measurement's addresses.
  virtual const SpeedSettings& GetSpeedSettings();

 protected:
  ~IMediaServerSource() = default;
};
void SetMediaServerSource(IMediaServerSource* source);
const MediaServerSlots& CurrentMediaServers();
const SpeedSettings& CurrentSpeedSettings();
