#include "netlib/secure_protocols.h"

namespace netlib {

SecureProtocolChoice ChooseSecureProtocols(const std::vector<SecureProtocol>& wanted,
                                           const std::function<bool(uint32_t)>& accepts) {
  SecureProtocolChoice choice;
  uint32_t all = 0;
  for (const SecureProtocol& protocol : wanted) all |= protocol.flag;
  if (all && accepts(all)) {
    choice.accepted = all;
    return choice;
  }
  uint32_t last = 0;  // the version the system holds after the loop
  for (const SecureProtocol& protocol : wanted) {
    if (accepts(protocol.flag)) {
      choice.accepted |= protocol.flag;
      last = protocol.flag;
    } else {
      choice.refused.push_back(protocol.name);
    }
  }
  // The loop left one version set alone: set all the accepted ones together.
  if (choice.accepted != last && !accepts(choice.accepted)) choice.accepted = last;
  return choice;
}

}  // namespace netlib
