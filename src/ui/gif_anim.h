// An animated GIF ("GifAnim" in the layout files): plays the frames of its
// "bkimage" with their own delays while it is visible. The frames are
// decoded once, on first use, from the asset made for the screen's scale,
// and again when the window moves to a screen of another scale. A step of
// an opaque animation that nothing covers copies its frame straight to the
// window; any other step repaints the control's rectangle.
#pragma once

#include <memory>
#include <vector>

#include "ui/control.h"
#include "ui/gdiplus_inc.h"

class CGifAnimUI : public CControlUI {
 public:
  CGifAnimUI();
  ~CGifAnimUI() override;
  const wchar_t* GetClass() const override { return L"GifAnimUI"; }
  void* GetInterface(const wchar_t* name) override;

  void SetVisible(bool bVisible = true) override;
  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  void DoEvent(TEventUI& event) override;
  void DoPaint(CUIRender& render, const RECT& rcPaint) override;

  UINT GetFrameCount() const { return static_cast<UINT>(m_frames.size()); }
  UINT GetCurrentFrame() const { return m_nFrame; }

 private:
  void LoadForScreen();
  void Load(int scale);
  void Play();
  void Stop();
  void ReleaseFrames();
  // Copies the current frame to the window; false when it has to be painted.
  bool ShowFrameDirectly();
  // Wholly inside its ancestors, with no later sibling drawn over it.
  bool IsUncovered() const;

  std::vector<std::unique_ptr<Gdiplus::Bitmap>> m_frames;  // premultiplied, ready to draw
  std::vector<HBITMAP> m_bitmaps;  // GDI copies of opaque frames, for direct steps
  std::vector<UINT> m_delays;      // milliseconds per frame
  UINT m_nFrame = 0;
  bool m_bLoaded = false;
  int m_nScale = 0;  // of the asset the frames came from
  bool m_bPlaying = false;
};
