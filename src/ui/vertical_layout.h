// Children stacked top to bottom. With "vscrollbar" the layout scrolls when
// its children need more height than it has: a slim scroll bar on the
// right (drag the thumb, click the track) and the mouse wheel.
#pragma once

#include "ui/container.h"

class CVerticalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override { return L"VerticalLayoutUI"; }
  void* GetInterface(const wchar_t* name) override;

  void EnableScrollBar(bool bEnable = true);
  bool IsScrollBarEnabled() const { return m_bVScroll; }
  int GetScrollPos() const { return m_nScrollPos; }
  // How far the content can scroll: needed height minus visible height, or 0.
  int GetScrollRange() const { return m_nScrollRange; }
  void SetScrollPos(int pos);
  // Scrolls just enough to show the child completely.
  void EnsureVisible(CControlUI* pControl);

  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  void SetPos(RECT rc) override;
  void DoEvent(TEventUI& event) override;

  static const int kScrollBarWidth = 10;

 protected:
  void PaintOverlay(CUIRender& render) override;

 private:
  RECT ThumbRect() const;
  RECT BarRect() const;

  bool m_bVScroll = false;
  int m_nScrollPos = 0;
  int m_nScrollRange = 0;
  int m_nViewHeight = 0;
  bool m_bBarHot = false;
  bool m_bDragging = false;
  int m_nDragOffset = 0;  // where in the thumb the drag began
};
