// An animated GIF ("GifAnim" in the layout files): plays the frames of its
// "bkimage" with their own delays while it is visible.
#pragma once

#include <memory>
#include <vector>

#include "ui/control.h"

namespace ui {
struct StreamImage;
}

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

  UINT GetFrameCount() const { return static_cast<UINT>(m_delays.size()); }
  UINT GetCurrentFrame() const { return m_nFrame; }

 private:
  void Load();
  void Play();
  void Stop();

  std::unique_ptr<ui::StreamImage> m_image;
  std::vector<UINT> m_delays;  // milliseconds per frame
  UINT m_nFrame = 0;
  bool m_bLoaded = false;
  bool m_bPlaying = false;
};
