#include "ui/gif_anim.h"

#include <cwchar>

#include "corekit/log.h"
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

CGifAnimUI::~CGifAnimUI() { Stop(); }

void* CGifAnimUI::GetInterface(const wchar_t* name) {
  if (name && wcscmp(name, L"GifAnim") == 0) return this;
  return CControlUI::GetInterface(name);
}

void CGifAnimUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  CControlUI::SetAttribute(name, value);
  if (name && wcscmp(name, L"bkimage") == 0) {
    Stop();
    m_image.reset();
    m_delays.clear();
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

void CGifAnimUI::Load() {
  m_bLoaded = true;
  if (m_bkImage.IsEmpty()) return;
  std::string bytes;
  if (!ui::ReadSkinFile(m_bkImage.file, bytes)) return;
  m_image = ui::DecodeImage(bytes);
  if (!m_image) {
    LOG_METHOD(LOG_LEVEL_ERROR, "animation not decodable = " << m_bkImage.file);
    return;
  }
  UINT frames = m_image->image->GetFrameCount(&Gdiplus::FrameDimensionTime);
  if (frames == 0) frames = 1;
  m_delays.assign(frames, kDefaultDelay);
  UINT size = m_image->image->GetPropertyItemSize(PropertyTagFrameDelay);
  if (size > sizeof(Gdiplus::PropertyItem)) {
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (m_image->image->GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok) {
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
  if (!m_bLoaded) Load();
  if (m_delays.size() < 2) return;
  m_bPlaying = m_pManager->SetTimer(this, kFrameTimer, m_delays[m_nFrame]);
}

void CGifAnimUI::Stop() {
  if (m_bPlaying && m_pManager) m_pManager->KillTimer(this, kFrameTimer);
  m_bPlaying = false;
}

void CGifAnimUI::DoEvent(TEventUI& event) {
  if (event.Type != UIEVENT_TIMER || event.wParam != kFrameTimer) return CControlUI::DoEvent(event);
  if (m_delays.empty()) return;
  m_nFrame = (m_nFrame + 1) % static_cast<UINT>(m_delays.size());
  // A timer that could not be set leaves it stopped, so that it plays
  // again when next shown.
  m_bPlaying = m_pManager->SetTimer(this, kFrameTimer, m_delays[m_nFrame]);
  Invalidate();
}

void CGifAnimUI::DoPaint(CUIRender& render, const RECT& rcPaint) {
  RECT overlap;
  if (!::IntersectRect(&overlap, &rcPaint, &m_rcItem)) return;
  PaintBkColor(render);
  if (!m_bLoaded) Load();
  if (!m_image) return;
  m_image->image->SelectActiveFrame(&Gdiplus::FrameDimensionTime, m_nFrame);
  render.DrawImage(m_rcItem, m_image->image);
  PaintBorder(render);
}
