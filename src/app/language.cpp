#include "app/language.h"

namespace app {

const char* LanguageTagFor(unsigned short langId) {
  switch (langId) {
    case 2052: return "zh_CN";
    case 1028: return "zh_TW";
    default: return "en_US";
  }
}

}  // namespace app
