// The record of one item's row in the result list: its controls, its
// verdict code and the type of its check.
#pragma once

#include "verdict/item_verdict.h"

class CControlUI;
class CHorizontalLayoutUI;
class CLabelUI;
class CVerticalLayoutUI;
class IDetectHandler;

class CDetectItemUI {
 public:
  // Shows the verdict of the finished item `handler` in this row and sets
  // m_nState from it.
  void UpdateResult(IDetectHandler* handler);

  CHorizontalLayoutUI* m_pLayout = nullptr;  // the row; its tag points back here
  CLabelUI* m_pIcon = nullptr;                // 14 x 14 state icon
  CLabelUI* m_pName = nullptr;                // the item's name
  CLabelUI* m_pState = nullptr;               // one-line status
  CVerticalLayoutUI* m_pDetail = nullptr;     // detail lines, shown by the verdict
  int m_nState = VERDICT_NONE;
  int m_nType = -1;
};
