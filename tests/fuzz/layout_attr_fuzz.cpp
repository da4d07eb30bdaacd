// Feeds arbitrary attribute values, as a skin's layout files may hold
// anything, to every attribute parser of the UI layer. An accepted value
// must be one a control can use; a refused one leaves the setting alone.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <string>

#include "corekit/textconv.h"
#include "ui/attr_parse.h"
#include "ui/dpi_scale.h"

namespace {

constexpr int kLargest = 1000000000;

bool InRange(int v) { return v >= -kLargest && v <= kLargest; }

bool InRange(const ui::Edges& e) { return InRange(e.left) && InRange(e.top) && InRange(e.right) && InRange(e.bottom); }

// A layout length shown on a screen of up to 500 %: it keeps its sign and
// does not shrink, however large the skin made it.
void CheckScaled(int length) {
  for (unsigned dpi : {120u, 144u, 192u, 288u, 480u}) {
    const long long scaled = ui::ScaleToDpi(length, dpi);
    if ((scaled < 0) != (length < 0) || std::llabs(scaled) < std::llabs(length)) std::abort();
    const ui::Edges rect = ui::RectToDpi(ui::Edges{length, length, length, length}, dpi);
    if ((rect.left < 0) != (length < 0) || (rect.right < 0) != (length < 0)) std::abort();
  }
}

void CheckNumbers(const std::wstring& text) {
  int value = 7;
  if (!ui::ParseInt(text, value) && value != 7) std::abort();
  if (!InRange(value)) std::abort();
  CheckScaled(value);
  int a = 7, b = 7;
  if (!ui::ParsePair(text, a, b) && (a != 7 || b != 7)) std::abort();
  if (!InRange(a) || !InRange(b)) std::abort();
  ui::Edges edges{7, 7, 7, 7};
  if (!ui::ParseEdges(text, edges) && !(edges == ui::Edges{7, 7, 7, 7})) std::abort();
  if (!InRange(edges)) std::abort();
}

void CheckColor(const std::wstring& text) {
  uint32_t argb = 7;
  if (!ui::ParseColor(text, argb)) {
    if (argb != 7) std::abort();
    return;
  }
  // Six digits are an opaque colour; only eight give their own alpha.
  const size_t digits = text.find_last_not_of(L" \t\r\n") + 1 - text.find_first_of(L"#xX") - 1;
  if (digits == 6 && (argb >> 24) != 0xFF) std::abort();
}

void CheckImage(const std::wstring& text) {
  ui::ImageDesc image;
  image.file = L"kept.png";
  if (!ui::ParseImageDesc(text, image)) {
    if (image.file != L"kept.png") std::abort();
    return;
  }
  // Only a blank value names no image (it clears the control's image).
  if (image.IsEmpty() && !std::all_of(text.begin(), text.end(), [](wchar_t c) { return iswspace(c); })) std::abort();
  if (!InRange(image.source) || !InRange(image.corner)) std::abort();
  if (!image.hasSource && !image.source.IsEmpty()) std::abort();
  // The scaled variant of an accepted file keeps the name and adds the scale.
  for (int scale : {150, 200}) {
    if (ui::AssetFileForScale(image.file, scale).size() != image.file.size() + 4) std::abort();
  }
}

void CheckTextKey(const std::wstring& text) {
  std::string key = "kept";
  if (!ui::ParseTextKey(text, key)) return;
  if (key.empty() || key.size() + 3 != text.size()) std::abort();
  for (unsigned char c : key) {
    if (c < 0x21 || c > 0x7E || c == '}') std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = corekit::Utf8ToWide(std::string(reinterpret_cast<const char*>(data), size));
  CheckNumbers(text);
  CheckColor(text);
  CheckImage(text);
  CheckTextKey(text);
  bool flag = false;
  if (ui::ParseBool(text, flag) && flag != (text.find(L't') != std::wstring::npos || text.find(L'1') != std::wstring::npos)) {
    std::abort();
  }
  return 0;
}
