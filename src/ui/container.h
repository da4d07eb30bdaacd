// A control that holds others. The plain container lays every child over
// its whole inner area; the stacked layouts (vertical, horizontal) put them
// one after the other. Children are destroyed with their container; a child
// removed while the window dispatches input or notifications is destroyed
// when that dispatch ends.
#pragma once

#include <vector>

#include "ui/control.h"
#include "ui/layout_axis.h"

class CContainerUI : public CControlUI {
 public:
  CContainerUI();
  ~CContainerUI() override;
  const wchar_t* GetClass() const override { return L"ContainerUI"; }
  void* GetInterface(const wchar_t* name) override;

  bool Add(CControlUI* pControl);
  bool AddAt(CControlUI* pControl, int iIndex);
  // Takes the control out of this container and destroys it, unless
  // bDoNotDestroy: then the caller owns it again.
  bool Remove(CControlUI* pControl, bool bDoNotDestroy = false);
  bool RemoveAt(int iIndex, bool bDoNotDestroy = false);
  void RemoveAll();
  int GetCount() const { return static_cast<int>(m_items.size()); }
  CControlUI* GetItemAt(int iIndex) const;
  int GetItemIndex(CControlUI* pControl) const;
  // Moves a child to another index (counted in the list without it).
  bool SetItemIndex(CControlUI* pControl, int iIndex);

  void SetInset(RECT rc);
  const RECT& GetInset() const { return m_rcInset; }
  void SetChildPadding(int padding);
  int GetChildPadding() const { return m_iChildPadding; }

  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  void SetPos(RECT rc) override;
  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent) override;
  CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) override;
  void DoPaint(CUIRender& render, const RECT& rcPaint) override;

 protected:
  // The area inside the inset.
  RECT InnerRect() const;
  // The length the non-floating visible children need along one axis.
  int StackLength(bool bVertical) const;
  // Stacks the non-floating visible children in `rcInner` along one axis,
  // shifted back by `scroll` pixels, within `mainLength` pixels.
  void ArrangeStack(bool bVertical, RECT rcInner, int mainLength, int scroll);
  // Places the floating children relative to this control.
  void ArrangeFloats();
  // Paints what lies above the children (a scroll bar).
  virtual void PaintOverlay(CUIRender& render) {}

  std::vector<CControlUI*> m_items;

 private:
  void CollectStack(bool bVertical, std::vector<CControlUI*>& stacked, std::vector<ui::AxisItem>& axis) const;

 protected:
  RECT m_rcInset = {0, 0, 0, 0};
  int m_iChildPadding = 0;

 private:
  // Detaches a child already out of m_items from the manager; destroys it
  // unless the caller takes it back.
  void TakeOut(CControlUI* pControl, bool bDestroy);
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override { return L"HorizontalLayoutUI"; }
  void* GetInterface(const wchar_t* name) override;
  void SetPos(RECT rc) override;
};
