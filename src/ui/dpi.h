// The DPI of the screen a window is on. Windows 10 (1607 and later) gives
// each monitor its own DPI to a per-monitor aware program; Windows 7 and 8
// have one system DPI. The newer function is looked up at run time, so the
// program still starts on Windows 7.
#pragma once

#include <windows.h>

namespace ui {

// The window's DPI: its monitor's where Windows tells it, the system's
// otherwise (also for a null window); 96 when neither can be read.
UINT GetWindowDpi(HWND hWnd);

}  // namespace ui
