#include <windows.h>

#include "corekit/log.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  LOG_FUNC_TAG(LOG_LEVEL_INFO, "wWinMain", "_tWinMain");
  return 0;
}
