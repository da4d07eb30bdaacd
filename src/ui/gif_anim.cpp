#include "ui/gif_anim.h"

#include <cwchar>

#include "corekit/log.h"
#include "ui/container.h"
#include "ui/dpi_scale.h"
#include "ui/image_cache.h"
#include "ui/paint_manager.h"
#include "ui/render.h"
#include "ui/skin_archive.h"

namespace {
const UINT kFrameTimer = 1;
const UINT kDefaultDelay = 100;  // frames without a delay of their own
const UINT kMinDelay = 20;
}  // namespace

CGifAnimUI::CGifAnimUI() = default;

CGifAnimUI::~CGifAnimUI() {
  Stop();
  ReleaseFrames();
}

void CGifAnimUI::ReleaseFrames() {
  for (HBITMAP bitmap : m_bitmaps) ::DeleteObject(bitmap);
  m_bitmaps.clear();
  m_frames.clear();
}

void* CGifAnimUI::GetInterface(const wchar_t* name) {
  if (name && wcscmp(name, L"GifAnim") == 0) return this;
  return CControlUI::GetInterface(name);
}

void CGifAnimUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  CControlUI::SetAttribute(name, value);
  if (name && wcscmp(name, L"bkimage") == 0) {
    Stop();
    ReleaseFrames();
    m_delays.clear();
    m_nFrame = 0;
    m_bLoaded = false;
    Play();
  }
}

void CGifAnimUI::SetVisible(bool bVisible) {
  if (!bVisible) Stop();
  CControlUI::SetVisible(bVisible);  // hidden, this may be removed by then
  if (bVisible) Play();
}

void CGifAnimUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent) {
  Stop();
  CControlUI::SetManager(pManager, pParent);
  Play();
}

void CGifAnimUI::LoadForScreen() {
  // The frames drawn for the scale nearest the screen's: after a move to a
  // screen of another scale, those made for it replace the ones shown.
  const int scale = ui::AssetScaleForDpi(m_pManager ? m_pManager->GetDpi() : ui::kBaseDpi);
  if (m_bLoaded && scale == m_nScale) return;
  ReleaseFrames();
  Load(scale);
  if (m_nFrame >= m_frames.size()) m_nFrame = 0;
}

void CGifAnimUI::Load(int scale) {
  m_bLoaded = true;
  m_nScale = scale;
  if (m_bkImage.IsEmpty()) return;
  // Without frames of that scale, the 100 % ones.
  std::string bytes;
  if ((scale == 100 || !ui::ReadSkinFile(ui::AssetFileForScale(m_bkImage.file, scale), bytes)) &&
      !ui::ReadSkinFile(m_bkImage.file, bytes))
    return;
  std::unique_ptr<ui::StreamImage> decoded = ui::DecodeImage(bytes);
  if (!decoded) {
    LOG_METHOD(LOG_LEVEL_ERROR, "animation not decodable = " << m_bkImage.file);
    return;
  }
  Gdiplus::Image* image = decoded->image;
  UINT frames = image->GetFrameCount(&Gdiplus::FrameDimensionTime);
  if (frames == 0) frames = 1;
  // Every frame is composed once here: selecting a frame of a GIF decodes
  // it (and, for frames that only patch the previous one, those before it).
  for (UINT i = 0; i < frames; ++i) {
    if (frames > 1) image->SelectActiveFrame(&Gdiplus::FrameDimensionTime, i);
    std::unique_ptr<Gdiplus::Bitmap> frame = ui::ToPremultiplied(image);
    if (!frame) {
      LOG_METHOD(LOG_LEVEL_ERROR, "animation frame not decodable = " << i);
      m_frames.clear();
      return;
    }
    m_frames.push_back(std::move(frame));
  }
  // Frames without any transparent pixel can go to the window as they are.
  bool opaque = true;
  for (const auto& frame : m_frames) {
    Gdiplus::BitmapData data = {};
    Gdiplus::Rect all(0, 0, static_cast<INT>(frame->GetWidth()), static_cast<INT>(frame->GetHeight()));
    if (frame->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok) {
      opaque = false;
      break;
    }
    for (UINT y = 0; y < data.Height && opaque; ++y) {
      const BYTE* row = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
      for (UINT x = 0; x < data.Width && opaque; ++x) opaque = row[x * 4 + 3] == 0xFF;
    }
    frame->UnlockBits(&data);
    if (!opaque) break;
  }
  for (const auto& frame : m_frames) {
    HBITMAP bitmap = nullptr;
    if (!opaque || frame->GetHBITMAP(Gdiplus::Color(0, 0, 0), &bitmap) != Gdiplus::Ok) break;
    m_bitmaps.push_back(bitmap);
  }
  if (m_bitmaps.size() != m_frames.size()) {
    for (HBITMAP bitmap : m_bitmaps) ::DeleteObject(bitmap);
    m_bitmaps.clear();
  }
  m_delays.assign(frames, kDefaultDelay);
  UINT size = image->GetPropertyItemSize(PropertyTagFrameDelay);
  if (size > sizeof(Gdiplus::PropertyItem)) {
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (image->GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok) {
      // Delays are stored in hundredths of a second, one LONG per frame.
      UINT count = item->length / sizeof(LONG);
      const LONG* delays = static_cast<const LONG*>(item->value);
      for (UINT i = 0; i < frames && i < count; ++i) {
        UINT ms = static_cast<UINT>(delays[i]) * 10;
        m_delays[i] = ms < kMinDelay ? kDefaultDelay : ms;
      }
    }
  }
}

void CGifAnimUI::Play() {
  if (m_bPlaying || !m_pManager || !IsVisible()) return;
  LoadForScreen();
  if (m_frames.size() < 2) return;
  m_bPlaying = m_pManager->SetTimer(this, kFrameTimer, m_delays[m_nFrame]);
}

void CGifAnimUI::Stop() {
  if (m_bPlaying && m_pManager) m_pManager->KillTimer(this, kFrameTimer);
  m_bPlaying = false;
}

void CGifAnimUI::DoEvent(TEventUI& event) {
  if (event.Type != UIEVENT_TIMER || event.wParam != kFrameTimer) return CControlUI::DoEvent(event);
  if (m_frames.empty()) return;
  m_nFrame = (m_nFrame + 1) % static_cast<UINT>(m_frames.size());
  // Each frame sets the timer for its own delay. A timer that could not be
  // set (the window is going or being replaced) leaves the animation
  // stopped, so that it plays again when next shown.
  m_bPlaying = m_pManager->SetTimer(this, kFrameTimer, m_delays[m_nFrame]);
  if (!ShowFrameDirectly()) Invalidate();
}

bool CGifAnimUI::ShowFrameDirectly() {
  // Repainting the controls beneath for every frame of an animation that
  // hides them costs far more than the frame itself.
  if (m_nFrame >= m_bitmaps.size() || !m_pManager || m_pManager->IsUpdateNeeded() || !IsShownInTree()) return false;
  HWND hwnd = m_pManager->GetPaintWindow();
  if (!hwnd || !::IsWindowVisible(hwnd) || ::IsIconic(hwnd)) return false;
  const RECT target = m_pManager->LayoutToClient(m_rcItem);  // in the window's pixels
  const INT width = target.right - target.left, height = target.bottom - target.top;
  Gdiplus::Bitmap* frame = m_frames[m_nFrame].get();
  if (frame->GetWidth() != static_cast<UINT>(width) || frame->GetHeight() != static_cast<UINT>(height) ||
      !IsUncovered())
    return false;
  HDC hdc = ::GetDC(hwnd);
  if (!hdc) return false;
  HDC source = ::CreateCompatibleDC(hdc);
  HGDIOBJ old = ::SelectObject(source, m_bitmaps[m_nFrame]);
  const BOOL copied = ::BitBlt(hdc, target.left, target.top, width, height, source, 0, 0, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  ::ReleaseDC(hwnd, hdc);
  return copied != FALSE;
}

bool CGifAnimUI::IsUncovered() const {
  const CControlUI* child = this;
  for (CControlUI* parent = m_pParent; parent; child = parent, parent = parent->GetParent()) {
    RECT inside;
    if (!::IntersectRect(&inside, &m_rcItem, &parent->GetPos()) || !::EqualRect(&inside, &m_rcItem)) return false;
    auto* container = static_cast<CContainerUI*>(parent->GetInterface(L"Container"));
    if (!container) continue;
    bool above = false;  // the items after `child` are drawn over it
    for (int i = 0; i < container->GetCount(); ++i) {
      CControlUI* item = container->GetItemAt(i);
      RECT overlap;
      if (above && item->IsVisible() && ::IntersectRect(&overlap, &m_rcItem, &item->GetPos())) return false;
      above = above || item == child;
    }
  }
  return true;
}

void CGifAnimUI::DoPaint(CUIRender& render, const RECT& rcPaint) {
  RECT overlap;
  if (!::IntersectRect(&overlap, &rcPaint, &m_rcItem)) return;
  PaintBkColor(render);
  LoadForScreen();
  if (m_nFrame < m_frames.size()) render.DrawImage(m_rcItem, m_frames[m_nFrame].get());
  PaintBorder(render);
}
