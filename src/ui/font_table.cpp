#include "ui/font_table.h"

#include "corekit/log.h"
#include "ui/image_cache.h"

namespace ui {
namespace {

// Asks GDI whether the face exists under that name and has a glyph for
// U+4E2D, a common Chinese character.
bool HasChineseGlyphs(const std::wstring& family) {
  if (family.empty() || family.size() >= LF_FACESIZE) return false;
  LOGFONTW lf = {};
  lf.lfHeight = -12;
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, family.c_str(), LF_FACESIZE - 1);
  HFONT font = ::CreateFontIndirectW(&lf);
  if (!font) return false;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(dc, LF_FACESIZE, face);
  WORD glyph = 0xFFFF;
  // GDI substitutes a missing face silently; the face it picked must be
  // the one asked for (or a registered alias of it, which GDI+ accepts too).
  bool exists = _wcsicmp(face, family.c_str()) == 0 ||
                Gdiplus::FontFamily(family.c_str()).GetLastStatus() == Gdiplus::Ok;
  bool ok = exists && ::GetGlyphIndicesW(dc, L"\u4E2D", 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
            glyph != 0xFFFF;
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(font);
  return ok;
}

}  // namespace

std::wstring ResolveFontFamily(const std::wstring& wanted) {
  static std::map<std::wstring, std::wstring> resolved;
  auto it = resolved.find(wanted);
  if (it != resolved.end()) return it->second;
  EnsureGdiplus();
  static const wchar_t* const kChain[] = {L"Microsoft YaHei", L"\u5FAE\u8F6F\u96C5\u9ED1", L"SimSun",
                                          L"WenQuanYi Micro Hei", L"Noto Sans CJK SC", L"Noto Sans CJK"};
  std::wstring family;
  if (HasChineseGlyphs(wanted)) family = wanted;
  for (const wchar_t* candidate : kChain) {
    if (!family.empty()) break;
    if (HasChineseGlyphs(candidate)) family = candidate;
  }
  if (family.empty()) {
    wchar_t name[LF_FACESIZE] = {};
    Gdiplus::FontFamily::GenericSansSerif()->GetFamilyName(name);
    family = name;
    LOG_FUNC(LOG_LEVEL_ERROR, "no Chinese font installed; using " << family);
  } else if (family != wanted) {
    LOG_FUNC(LOG_LEVEL_INFO, "font " << wanted << " replaced by " << family);
  }
  resolved[wanted] = family;
  return family;
}

void FontTable::Add(int id, const FontSpec& spec, bool isDefault) {
  m_specs[id] = spec;
  m_fonts.erase(id);
  if (isDefault || m_defaultId < 0) m_defaultId = id;
}

const FontSpec* FontTable::Spec(int id) const {
  auto it = m_specs.find(id);
  return it == m_specs.end() ? nullptr : &it->second;
}

Gdiplus::Font* FontTable::Create(const FontSpec& spec) {
  int style = Gdiplus::FontStyleRegular;
  if (spec.bold) style |= Gdiplus::FontStyleBold;
  if (spec.italic) style |= Gdiplus::FontStyleItalic;
  if (spec.underline) style |= Gdiplus::FontStyleUnderline;
  Gdiplus::FontFamily family(ResolveFontFamily(spec.name).c_str());
  return new Gdiplus::Font(&family, static_cast<Gdiplus::REAL>(spec.size > 0 ? spec.size : 12), style,
                           Gdiplus::UnitPixel);
}

Gdiplus::Font* FontTable::Get(int id) {
  if (m_specs.find(id) == m_specs.end()) id = m_defaultId;
  if (id < 0) {
    if (!m_fallback) m_fallback.reset(Create(FontSpec{}));
    return m_fallback.get();
  }
  auto& font = m_fonts[id];
  if (!font) font.reset(Create(m_specs[id]));
  return font.get();
}

}  // namespace ui
