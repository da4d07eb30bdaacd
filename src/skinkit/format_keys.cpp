#include "skinkit/format_keys.h"

#include "corekit/log.h"
#include "skinkit/resource_mgr.h"

namespace skinkit {

std::wstring LibraryText(const char* key) { return DllResourceMgr::LoadStringW(key); }

std::wstring FormatKeyText(const TextLookup& lookup, const FormatKey& key, const std::vector<FormatArg>& args) {
  bool ok = true;
  std::wstring text = FormatPrintf(lookup(key.key), args, &ok);
  if (!ok) LOG_FUNC(LOG_LEVEL_ERROR, "format text does not fit its arguments, key = " << key.key);
  return text;
}

}  // namespace skinkit
