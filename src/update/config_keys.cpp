#include "update/config_keys.h"

#include "corekit/textconv.h"

namespace update {

const ServerKeys kServerKeys[MEDIA_SERVER_SLOTS] = {
    {SLOT_CNC1, "cncName1", "cncDomain1", &MediaServerList::SetNameCNC1, &MediaServerList::SetDomainCNC1,
     "SetDomainCNC1"},
    {SLOT_CNC2, "cncName2", "cncDomain2", &MediaServerList::SetNameCNC2, &MediaServerList::SetDomainCNC2,
     "SetDomainCNC2"},
    {SLOT_CTC1, "ctcName1", "ctcDomain1", &MediaServerList::SetNameCTC1, &MediaServerList::SetDomainCTC1,
     "SetDomainCTC1"},
    {SLOT_CTC2, "ctcName2", "ctcDomain2", &MediaServerList::SetNameCTC2, &MediaServerList::SetDomainCTC2,
     "SetDomainCTC2"},
    {SLOT_CMC1, "cmcName1", "cmcDomain1", &MediaServerList::SetNameCMC1, &MediaServerList::SetDomainCMC1,
     "SetDomainCMC1"},
    {SLOT_CMC2, "cmcName2", "cmcDomain2", &MediaServerList::SetNameCMC2, &MediaServerList::SetDomainCMC2,
     "SetDomainCMC2"},
};

std::string DefaultNameUtf8(MediaServerSlot slot) {
  return corekit::WideToUtf8(DefaultMediaServerSlots()[slot].strName);
}

}  // namespace update
