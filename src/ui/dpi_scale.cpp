#include "ui/dpi_scale.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace ui {
namespace {

// a * b / c in 64 bits, rounded as asked; c is never 0 here.
int64_t Scale64(int64_t a, int64_t b, int64_t c, int round) {
  int64_t product = a * b;
  int64_t quotient = product / c, remainder = product % c;
  if (remainder == 0) return quotient;
  if (round < 0) return product < 0 ? quotient - 1 : quotient;  // towards minus infinity
  if (round > 0) return product < 0 ? quotient : quotient + 1;  // towards plus infinity
  // Nearest, halves away from zero.
  if (2 * std::llabs(remainder) >= c) return product < 0 ? quotient - 1 : quotient + 1;
  return quotient;
}

// The same as an int: a layout may give lengths up to a thousand million,
// which a large scale takes beyond the int range; they stop at its ends
// rather than wrap round into negative lengths.
int Scale(int64_t a, int64_t b, int64_t c, int round) {
  return static_cast<int>(std::clamp<int64_t>(Scale64(a, b, c, round), INT_MIN, INT_MAX));
}

unsigned Valid(unsigned dpi) { return dpi == 0 ? kBaseDpi : dpi; }

// A rectangle scaled by b / c, its edges moved outwards to whole pixels.
Edges ScaleOutwards(const Edges& rect, int64_t b, int64_t c) {
  Edges out;
  out.left = Scale(rect.left, b, c, -1);
  out.top = Scale(rect.top, b, c, -1);
  out.right = Scale(rect.right, b, c, 1);
  out.bottom = Scale(rect.bottom, b, c, 1);
  return out;
}

}  // namespace

int ScaleToDpi(int length, unsigned dpi) { return Scale(length, Valid(dpi), kBaseDpi, 0); }

int ScaleFromDpi(int length, unsigned dpi) { return Scale(length, kBaseDpi, Valid(dpi), 0); }

Edges RectToDpi(const Edges& rect, unsigned dpi) { return ScaleOutwards(rect, Valid(dpi), kBaseDpi); }

Edges RectFromDpi(const Edges& rect, unsigned dpi) { return ScaleOutwards(rect, kBaseDpi, Valid(dpi)); }

int AssetScaleForDpi(unsigned dpi) {
  const int percent = Scale(Valid(dpi), 100, kBaseDpi, 0);
  int best = 100;
  for (int scale : {150, 200})
    if (std::abs(percent - scale) <= std::abs(percent - best)) best = scale;
  return best;
}

std::wstring AssetFileForScale(const std::wstring& file, int scale) {
  if (scale == 100) return file;
  const std::wstring suffix = L"@" + std::to_wstring(scale);
  const size_t dot = file.rfind(L'.');
  const size_t slash = file.find_last_of(L"/\\");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return file + suffix;
  return file.substr(0, dot) + suffix + file.substr(dot);
}

}  // namespace ui
