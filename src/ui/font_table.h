// The fonts of a window, by the index the layout file gives them. A font
// whose family is not installed, or cannot show Chinese, takes the first
// family of a fallback chain that can, so text never shows as empty boxes.
#pragma once

#include <windows.h>

#include "ui/gdiplus_inc.h"

#include <map>
#include <memory>
#include <string>

namespace ui {

struct FontSpec {
  std::wstring name;
  int size = 12;  // pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// The family that will draw `wanted`: itself when installed with Chinese
// glyphs, else Microsoft YaHei, SimSun, WenQuanYi Micro Hei, Noto Sans CJK,
// else the system's sans-serif family. Cached per name.
std::wstring ResolveFontFamily(const std::wstring& wanted);

class FontTable {
 public:
  void Add(int id, const FontSpec& spec, bool isDefault);
  // The font of `id`; an unknown id gives the default font (the one marked
  // default, else the first added, else 12-pixel text of the chain).
  Gdiplus::Font* Get(int id);
  const FontSpec* Spec(int id) const;

 private:
  Gdiplus::Font* Create(const FontSpec& spec);

  std::map<int, FontSpec> m_specs;
  std::map<int, std::unique_ptr<Gdiplus::Font>> m_fonts;
  int m_defaultId = -1;
  std::unique_ptr<Gdiplus::Font> m_fallback;
};

}  // namespace ui
