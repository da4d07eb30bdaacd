#include "ui/render.h"

#include <algorithm>

#include "ui/dpi_scale.h"
#include "ui/image_cache.h"
#include "ui/paint_manager.h"

namespace {

Gdiplus::Color ToColor(DWORD argb) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)); }

// A rounded rectangle as a path; the rectangle covers whole pixels.
void AddRoundRect(Gdiplus::GraphicsPath& path, Gdiplus::RectF r, float ew, float eh) {
  ew = std::min(ew, r.Width);
  eh = std::min(eh, r.Height);
  path.AddArc(r.X, r.Y, ew, eh, 180, 90);
  path.AddArc(r.X + r.Width - ew, r.Y, ew, eh, 270, 90);
  path.AddArc(r.X + r.Width - ew, r.Y + r.Height - eh, ew, eh, 0, 90);
  path.AddArc(r.X, r.Y + r.Height - eh, ew, eh, 90, 90);
  path.CloseFigure();
}

bool IsEmptyRect(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }

float TextWidth(Gdiplus::Graphics& graphics, const std::wstring& text, Gdiplus::Font* font,
                const Gdiplus::StringFormat& format) {
  Gdiplus::RectF bounds;
  graphics.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, Gdiplus::PointF(0, 0), &format, &bounds);
  return bounds.Width;
}

// The longest beginning of `text` that fits in `width` with "…" after it
// (the whole text when it fits). GDI+ trims by itself on Windows but not
// everywhere (Wine draws the text cut off), so the cut is made here.
std::wstring FitWithEllipsis(Gdiplus::Graphics& graphics, const std::wstring& text, Gdiplus::Font* font,
                             const Gdiplus::StringFormat& format, float width) {
  if (TextWidth(graphics, text, font, format) <= width) return text;
  size_t low = 0, high = text.size();  // low fits, high does not
  while (high - low > 1) {
    size_t middle = (low + high) / 2;
    if (TextWidth(graphics, text.substr(0, middle) + L"\u2026", font, format) <= width) low = middle;
    else high = middle;
  }
  if (low > 0 && IS_HIGH_SURROGATE(text[low - 1])) --low;  // never half a character
  return text.substr(0, low) + L"\u2026";
}

}  // namespace

CUIRender::CUIRender(Gdiplus::Graphics& graphics, CPaintManagerUI* pManager, UINT dpi)
    : m_graphics(graphics), m_pManager(pManager), m_uDpi(dpi ? dpi : pManager ? pManager->GetDpi() : ui::kBaseDpi) {
  m_graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  m_graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
}

void CUIRender::FillRoundRect(const RECT& rc, SIZE round, DWORD argb) {
  if (IsEmptyRect(rc) || (argb >> 24) == 0) return;
  Gdiplus::SolidBrush brush(ToColor(argb));
  if (round.cx <= 0 || round.cy <= 0) {
    m_graphics.FillRectangle(&brush, static_cast<INT>(rc.left), static_cast<INT>(rc.top),
                             static_cast<INT>(rc.right - rc.left), static_cast<INT>(rc.bottom - rc.top));
    return;
  }
  Gdiplus::GraphicsPath path;
  AddRoundRect(path, Gdiplus::RectF(static_cast<float>(rc.left), static_cast<float>(rc.top),
                                    static_cast<float>(rc.right - rc.left), static_cast<float>(rc.bottom - rc.top)),
               static_cast<float>(round.cx), static_cast<float>(round.cy));
  Gdiplus::SmoothingMode old = m_graphics.GetSmoothingMode();
  m_graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  m_graphics.FillPath(&brush, &path);
  m_graphics.SetSmoothingMode(old);
}

void CUIRender::DrawBorder(const RECT& rc, int size, SIZE round, DWORD argb) {
  if (IsEmptyRect(rc) || size <= 0 || (argb >> 24) == 0) return;
  // The pen runs along the middle of the border, inside the rectangle.
  float half = size / 2.0f;
  Gdiplus::RectF r(rc.left + half, rc.top + half, rc.right - rc.left - 2 * half, rc.bottom - rc.top - 2 * half);
  if (r.Width <= 0 || r.Height <= 0) return;
  Gdiplus::Pen pen(ToColor(argb), static_cast<float>(size));
  Gdiplus::SmoothingMode old = m_graphics.GetSmoothingMode();
  if (round.cx > 0 && round.cy > 0) {
    Gdiplus::GraphicsPath path;
    AddRoundRect(path, r, std::max(round.cx - half, 1.0f), std::max(round.cy - half, 1.0f));
    m_graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    m_graphics.DrawPath(&pen, &path);
  } else {
    m_graphics.DrawRectangle(&pen, r);
  }
  m_graphics.SetSmoothingMode(old);
}

void CUIRender::DrawPart(Gdiplus::Bitmap* image, const RECT& dest, int sx, int sy, int sw, int sh) {
  if (IsEmptyRect(dest) || sw <= 0 || sh <= 0) return;
  int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  if (ui::ScaleToDpi(dw, m_uDpi) == sw && ui::ScaleToDpi(dh, m_uDpi) == sh) {
    m_graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    m_graphics.DrawImage(image, Gdiplus::Rect(dest.left, dest.top, dw, dh), sx, sy, sw, sh, Gdiplus::UnitPixel);
    return;
  }
  // Stretched: from a copy of the part with its edges repeated around it,
  // margin included and scaled alike, under a clip to the destination. Some
  // GDI+ scalers (Wine's) leave the first row or column of a stretched image
  // empty; that row now falls on the margin, outside the clip.
  Gdiplus::Bitmap* part = ui::GetImagePart(image, sx, sy, sw, sh);
  if (!part) return;
  float kx = static_cast<float>(dw) / sw, ky = static_cast<float>(dh) / sh;
  PushClip(dest);
  m_graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
  m_graphics.DrawImage(part, Gdiplus::RectF(dest.left - kx, dest.top - ky, dw + 2 * kx, dh + 2 * ky), 0, 0,
                       static_cast<float>(sw + 2), static_cast<float>(sh + 2), Gdiplus::UnitPixel);
  PopClip();
}

void CUIRender::DrawImage(const RECT& dest, Gdiplus::Image* image) {
  if (!image || IsEmptyRect(dest)) return;
  const INT dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  // At its own size an image is copied, not resampled.
  const bool unscaled = image->GetWidth() == static_cast<UINT>(ui::ScaleToDpi(dw, m_uDpi)) &&
                        image->GetHeight() == static_cast<UINT>(ui::ScaleToDpi(dh, m_uDpi));
  m_graphics.SetInterpolationMode(unscaled ? Gdiplus::InterpolationModeNearestNeighbor
                                           : Gdiplus::InterpolationModeHighQualityBilinear);
  m_graphics.DrawImage(image, Gdiplus::Rect(dest.left, dest.top, dw, dh));
}

bool CUIRender::DrawImage(const RECT& dest, const ui::ImageDesc& desc) {
  // The asset drawn for the scale nearest the screen's; the layout gives
  // source and corners in pixels of the 100 % image.
  int scale = ui::AssetScaleForDpi(m_uDpi);
  Gdiplus::Bitmap* image = scale == 100 ? nullptr : ui::GetCachedImage(ui::AssetFileForScale(desc.file, scale));
  if (!image) {
    image = ui::GetCachedImage(desc.file);
    scale = 100;
  }
  if (!image) return false;
  auto inAsset = [scale](int length) { return length * scale / 100; };
  int iw = static_cast<int>(image->GetWidth()), ih = static_cast<int>(image->GetHeight());
  RECT src = {0, 0, iw, ih};
  if (desc.hasSource) {
    src = RECT{inAsset(desc.source.left), inAsset(desc.source.top), inAsset(desc.source.right),
               inAsset(desc.source.bottom)};
    src.right = std::min<LONG>(src.right, iw);
    src.bottom = std::min<LONG>(src.bottom, ih);
    src.left = std::max<LONG>(src.left, 0);
    src.top = std::max<LONG>(src.top, 0);
    if (IsEmptyRect(src)) return false;
  }
  const ui::Edges& c = desc.corner;
  if (c.IsEmpty()) {
    DrawPart(image, dest, src.left, src.top, src.right - src.left, src.bottom - src.top);
    return true;
  }
  // Nine-grid: corners keep their size, edges stretch along, the middle both ways.
  const int sxs[4] = {src.left, src.left + inAsset(c.left), src.right - inAsset(c.right), src.right};
  const int sys[4] = {src.top, src.top + inAsset(c.top), src.bottom - inAsset(c.bottom), src.bottom};
  const int dxs[4] = {dest.left, dest.left + c.left, dest.right - c.right, dest.right};
  const int dys[4] = {dest.top, dest.top + c.top, dest.bottom - c.bottom, dest.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      RECT d = {dxs[col], dys[row], dxs[col + 1], dys[row + 1]};
      DrawPart(image, d, sxs[col], sys[row], sxs[col + 1] - sxs[col], sys[row + 1] - sys[row]);
    }
  }
  return true;
}

void CUIRender::DrawString(const RECT& rc, const std::wstring& text, DWORD argb, int font, UINT style) {
  if (text.empty() || IsEmptyRect(rc) || !m_pManager) return;
  Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
  format.SetAlignment((style & DT_CENTER)  ? Gdiplus::StringAlignmentCenter
                      : (style & DT_RIGHT) ? Gdiplus::StringAlignmentFar
                                           : Gdiplus::StringAlignmentNear);
  format.SetLineAlignment((style & DT_VCENTER)  ? Gdiplus::StringAlignmentCenter
                          : (style & DT_BOTTOM) ? Gdiplus::StringAlignmentFar
                                                : Gdiplus::StringAlignmentNear);
  INT flags = Gdiplus::StringFormatFlagsMeasureTrailingSpaces;
  if (style & DT_SINGLELINE) flags |= Gdiplus::StringFormatFlagsNoWrap;
  else flags |= Gdiplus::StringFormatFlagsLineLimit;
  format.SetFormatFlags(flags);
  format.SetTrimming((style & DT_END_ELLIPSIS) ? Gdiplus::StringTrimmingEllipsisCharacter
                                               : Gdiplus::StringTrimmingCharacter);
  Gdiplus::SolidBrush brush(ToColor(argb));
  Gdiplus::RectF layout(static_cast<float>(rc.left), static_cast<float>(rc.top), static_cast<float>(rc.right - rc.left),
                        static_cast<float>(rc.bottom - rc.top));
  Gdiplus::Font* gdiFont = m_pManager->GetFont(font);
  std::wstring shown = (style & DT_END_ELLIPSIS) && (style & DT_SINGLELINE)
                           ? FitWithEllipsis(m_graphics, text, gdiFont, format, layout.Width)
                           : text;
  m_graphics.DrawString(shown.c_str(), static_cast<INT>(shown.size()), gdiFont, layout, &format, &brush);
}

void CUIRender::PushClip(const RECT& rc) {
  m_clipStack.push_back(m_graphics.Save());
  m_graphics.IntersectClip(Gdiplus::Rect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top));
}

void CUIRender::PopClip() {
  if (m_clipStack.empty()) return;
  m_graphics.Restore(m_clipStack.back());
  m_clipStack.pop_back();
}
