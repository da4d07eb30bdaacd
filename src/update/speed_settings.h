// The optional speed measurement of the class service, as the configuration
// file names it: a file on the download host to fetch, an address that takes
// a POST and discards it, and the least speeds a class needs. Without either
// address nothing is measured.
#pragma once

#include <functional>
#include <string>

namespace update {

constexpr char kKeySpeedUrl[] = "speedUrl";
constexpr char kKeyUploadUrl[] = "uploadUrl";
constexpr char kKeyMinDownKbps[] = "minDownKbps";
constexpr char kKeyMinUpKbps[] = "minUpKbps";

// The largest limit taken, in kbit/s (10 Gbit/s); a larger one is a typo.
constexpr int kMaxSpeedLimitKbps = 10000000;

}  // namespace update

struct SpeedSettings {
  std::string strSpeedUrl;   // empty: no download measured
  std::string strUploadUrl;  // empty: no upload measured
  int nMinDownKbps = 0;      // 0: no limit
  int nMinUpKbps = 0;

  bool IsEnabled() const { return !strSpeedUrl.empty() || !strUploadUrl.empty(); }
};

// The settings from the configuration's values (`value` gives the value of a
// key, empty when absent). A limit that is not a whole number within
// [0, kMaxSpeedLimitKbps] is logged and means no limit.
SpeedSettings ParseSpeedSettings(const std::function<std::string(const char* key)>& value);
