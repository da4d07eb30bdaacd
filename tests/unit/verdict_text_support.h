// A text lookup for the verdict and summary tests: a plain key reads as the
// key itself; a format key reads as the key followed by its arguments in
// parentheses, separated by "|" (decimals with three places), so a line
// shows which text was chosen and what it was given.
#pragma once

#include <string>

#include "skinkit/format_keys.h"

namespace testing_support {

inline std::wstring KeyText(const char* key) {
  std::wstring text(key, key + std::char_traits<char>::length(key));
  for (const skinkit::FormatKey* format : skinkit::kAllFormatKeys) {
    if (std::string(format->key) != key) continue;
    text += L"(";
    for (const char* letter = format->signature; *letter; ++letter) {
      if (letter != format->signature) text += L"|";
      text += *letter == 'd' ? L"%d" : *letter == 'f' ? L"%.3f" : L"%ls";
    }
    text += L")";
  }
  return text;
}

}  // namespace testing_support
