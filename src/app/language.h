// The language of the texts, chosen from the system's default language.
#pragma once

namespace app {
// 2052 (simplified Chinese) gives "zh_CN", 1028 (traditional Chinese, Taiwan)
// gives "zh_TW", every other language "en_US".
const char* LanguageTagFor(unsigned short langId);
}  // namespace app
