// Which TLS versions to ask the system for. Windows 7's WinHTTP offers only
// TLS 1.0 unless asked for more, and a system without a version refuses the
// whole set that names it, so the set is tried whole first and then each
// version alone, keeping those the system took.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace netlib {

struct SecureProtocol {
  uint32_t flag;     // the system's flag for the version
  const char* name;  // "TLS 1.2"
};

struct SecureProtocolChoice {
  uint32_t accepted = 0;               // the flags of the versions the system took
  std::vector<std::string> refused;    // the names of those it refused
};

// `accepts` asks the system to use a set of flags and tells whether it took it.
SecureProtocolChoice ChooseSecureProtocols(const std::vector<SecureProtocol>& wanted,
                                           const std::function<bool(uint32_t)>& accepts);

}  // namespace netlib
