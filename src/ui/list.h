// The scrolling vertical list ("List" in the layout files): a vertical
// layout whose scroll bar is on unless the layout turns it off.
#pragma once

#include "ui/vertical_layout.h"

class CListUI : public CVerticalLayoutUI {
 public:
  CListUI() { EnableScrollBar(true); }
  const wchar_t* GetClass() const override { return L"ListUI"; }
  void* GetInterface(const wchar_t* name) override;
};
