// A text (and background image) control.
#pragma once

#include "ui/control.h"

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  const wchar_t* GetClass() const override { return L"LabelUI"; }
  void* GetInterface(const wchar_t* name) override;

  void SetTextColor(DWORD argb);
  DWORD GetTextColor() const { return m_dwTextColor; }
  void SetDisabledTextColor(DWORD argb);
  void SetFont(int index);
  int GetFont() const { return m_iFont; }
  void SetTextPadding(RECT rc);
  const RECT& GetTextPadding() const { return m_rcTextPadding; }
  // DT_LEFT / DT_CENTER / DT_RIGHT, DT_TOP / DT_VCENTER / DT_BOTTOM,
  // DT_SINGLELINE, DT_WORDBREAK, DT_END_ELLIPSIS.
  void SetTextStyle(UINT style);
  UINT GetTextStyle() const { return m_uTextStyle; }
  void SetMultiLine(bool bMultiLine);
  bool IsMultiLine() const { return (m_uTextStyle & DT_SINGLELINE) == 0; }

  void SetAttribute(const wchar_t* name, const wchar_t* value) override;

 protected:
  void PaintText(CUIRender& render) override;
  // The colour the text is drawn in, in the control's current state.
  virtual DWORD CurrentTextColor() const;

  DWORD m_dwTextColor = 0xFF000000;
  DWORD m_dwDisabledTextColor = 0;
  int m_iFont = -1;
  UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
  RECT m_rcTextPadding = {0, 0, 0, 0};
};
