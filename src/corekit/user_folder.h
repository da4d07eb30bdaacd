// The program's per-user folder, "<application data>\Orvane\KALTO", where the
// log, the configuration file and the update package live.
#pragma once

#include <string>

namespace corekit {
// The folder as UTF-8, without a trailing separator; empty (logged by the
// caller) when Windows names no application-data folder. The application-data
// folder itself is created when it is missing.
std::string UserDataFolder();
}  // namespace corekit
