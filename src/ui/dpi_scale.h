// The arithmetic of high-DPI drawing. Layouts, fonts and control places are
// in pixels at 96 DPI (100 %); a window on a screen of another DPI shows
// them scaled, and its images come from the skin's assets drawn for 100, 150
// or 200 %. Pure: shared by the UI layer and its tests on every target.
#pragma once

#include <string>

#include "ui/attr_parse.h"

namespace ui {

constexpr unsigned kBaseDpi = 96;

// A layout length at `dpi`, rounded to the nearest pixel.
int ScaleToDpi(int length, unsigned dpi);
// A length in pixels at `dpi` as a layout length, rounded to the nearest pixel.
int ScaleFromDpi(int length, unsigned dpi);
// The pixels at `dpi` that a layout rectangle touches (widened outwards), so
// that repainting them repaints all of it.
Edges RectToDpi(const Edges& rect, unsigned dpi);
// The layout rectangle that covers a rectangle of pixels at `dpi` (widened outwards).
Edges RectFromDpi(const Edges& rect, unsigned dpi);

// The scale, in per cent, of the image assets that suit `dpi` best: 100, 150
// or 200, whichever is nearest (a tie takes the larger, which shrinks cleanly).
int AssetScaleForDpi(unsigned dpi);
// The skin file of an image at an asset scale: "machine.png" at 150 % is
// "machine@150.png"; at 100 % the name stays.
std::wstring AssetFileForScale(const std::wstring& file, int scale);

}  // namespace ui
