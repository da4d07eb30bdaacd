// Pixels read back from a shown window: a sprite cell chosen by its source
// rectangle, a nine-grid frame whose corners keep their size, and text
// (Chinese included) where the layout puts it.
#include <gtest/gtest.h>

#include <vector>

#include "ui_test_support.h"

using uitest::TestWindow;

namespace {

class Capture {
 public:
  explicit Capture(HWND hwnd) {
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    m_width = rc.right;
    m_height = rc.bottom;
    m_pixels.resize(static_cast<size_t>(m_width) * m_height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC window = ::GetDC(hwnd);
    HDC memory = ::CreateCompatibleDC(window);
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, m_width, m_height, window, 0, 0, SRCCOPY);
    memcpy(m_pixels.data(), bits, m_pixels.size() * 4);
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(hwnd, window);
  }
  // 0xRRGGBB
  DWORD At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x] & 0xFFFFFF; }
  bool IsDark(int x, int y) const {
    DWORD p = At(x, y);
    return ((p >> 16) & 0xFF) < 128 && ((p >> 8) & 0xFF) < 128 && (p & 0xFF) < 128;
  }
  int DarkPixels(const RECT& rc) const {
    int count = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
      for (int x = rc.left; x < rc.right; ++x) count += IsDark(x, y) ? 1 : 0;
    return count;
  }

 private:
  int m_width = 0, m_height = 0;
  std::vector<DWORD> m_pixels;
};

const DWORD kWhite = 0xFFFFFF;
const DWORD kGreenCell = 0x00FF00;
const DWORD kBorder = 0x203060;
const DWORD kCentre = 0xE0F0FF;

}  // namespace

TEST(Rendering, ImagesAndTextLandWhereTheLayoutPutsThem) {
  TestWindow window(L"render.xml");
  HWND hwnd = window.CreateShown();
  ASSERT_TRUE(window.Manager().GetRoot());
  ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Capture shot(hwnd);

  // Source rectangle '20,0,40,20' of the sprite: its green cell, at 10..30.
  EXPECT_EQ(shot.At(10, 10), kGreenCell);
  EXPECT_EQ(shot.At(29, 29), kGreenCell);
  EXPECT_EQ(shot.At(20, 20), kGreenCell);
  EXPECT_EQ(shot.At(9, 20), kWhite);
  EXPECT_EQ(shot.At(30, 20), kWhite);

  // Frame 50..250 x 10..110 from a 30-pixel image with 10-pixel corners:
  // the border stays 10 pixels wide instead of growing with the stretch.
  EXPECT_EQ(shot.At(50, 10), kBorder);
  EXPECT_EQ(shot.At(150, 15), kBorder);
  EXPECT_EQ(shot.At(55, 60), kBorder);
  EXPECT_EQ(shot.At(249, 109), kBorder);
  EXPECT_EQ(shot.At(150, 22), kCentre);
  EXPECT_EQ(shot.At(62, 60), kCentre);
  EXPECT_EQ(shot.At(237, 97), kCentre);
  EXPECT_EQ(shot.At(250, 60), kWhite);

  // Right-aligned text in 10..290 x 130..190: ink on the right, none on the left.
  EXPECT_GT(shot.DarkPixels(RECT{150, 130, 290, 190}), 100);
  EXPECT_EQ(shot.DarkPixels(RECT{10, 130, 100, 190}), 0);
  EXPECT_EQ(shot.DarkPixels(RECT{10, 191, 290, 200}), 0);

  // Two Chinese characters draw as two different glyphs, not as the same
  // empty box.
  int differences = 0, ink = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 10; x < 40; ++x) {
      ink += shot.IsDark(x, 60 + y) ? 1 : 0;
      differences += shot.IsDark(x, 60 + y) != shot.IsDark(x, 95 + y) ? 1 : 0;
    }
  }
  EXPECT_GT(ink, 30);
  EXPECT_GT(differences, 30);
  ::DestroyWindow(hwnd);
}
