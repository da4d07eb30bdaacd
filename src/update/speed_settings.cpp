#include "update/speed_settings.h"

#include <cerrno>
#include <cstdlib>

#include "corekit/log.h"

namespace {

int ReadLimit(const std::string& text, const char* key) {
  if (text.empty()) return 0;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || value < 0 || value > update::kMaxSpeedLimitKbps) {
    LOG_FUNC(LOG_LEVEL_ERROR, "bad " << key << " = " << text << ", no limit");
    return 0;
  }
  return static_cast<int>(value);
}

}  // namespace

SpeedSettings ParseSpeedSettings(const std::function<std::string(const char* key)>& value) {
  SpeedSettings settings;
  settings.strSpeedUrl = value(update::kKeySpeedUrl);
  settings.strUploadUrl = value(update::kKeyUploadUrl);
  settings.nMinDownKbps = ReadLimit(value(update::kKeyMinDownKbps), update::kKeyMinDownKbps);
  settings.nMinUpKbps = ReadLimit(value(update::kKeyMinUpKbps), update::kKeyMinUpKbps);
  return settings;
}
