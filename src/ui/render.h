// Drawing for the controls, over GDI+: anti-aliased rounded fills and
// borders, skin images with source rectangles and nine-grid corners, and
// text with alignment, ellipsis and wrapping in the window's fonts.
#pragma once

#include <windows.h>

#include "ui/gdiplus_inc.h"

#include <string>
#include <vector>

#include "ui/attr_parse.h"

class CPaintManagerUI;

class CUIRender {
 public:
  // Coordinates are layout pixels; the graphics' transform takes them to
  // pixels of `dpi` (0: the manager's DPI, 96 without a manager), which
  // picks the image assets and when an image needs no resampling.
  CUIRender(Gdiplus::Graphics& graphics, CPaintManagerUI* pManager, UINT dpi = 0);

  // `round` is the size of the corner ellipse (width, height), as in
  // RoundRect; {0,0} fills a plain rectangle.
  void FillRoundRect(const RECT& rc, SIZE round, DWORD argb);
  void DrawBorder(const RECT& rc, int size, SIZE round, DWORD argb);
  // False when the image is missing (nothing is drawn).
  bool DrawImage(const RECT& dest, const ui::ImageDesc& image);
  // Draws an already decoded image (an animation frame) stretched to `dest`.
  void DrawImage(const RECT& dest, Gdiplus::Image* image);
  // `style` takes the DT_ flags of DrawText: alignment, DT_SINGLELINE,
  // DT_WORDBREAK, DT_END_ELLIPSIS.
  void DrawString(const RECT& rc, const std::wstring& text, DWORD argb, int font, UINT style);

  // Restricts drawing to the intersection with `rc` until the matching PopClip.
  void PushClip(const RECT& rc);
  void PopClip();

 private:
  void DrawPart(Gdiplus::Bitmap* image, const RECT& dest, int sx, int sy, int sw, int sh);

  Gdiplus::Graphics& m_graphics;
  CPaintManagerUI* m_pManager;
  UINT m_uDpi;
  std::vector<Gdiplus::GraphicsState> m_clipStack;
};
