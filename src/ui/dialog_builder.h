// Builds a control tree from a layout file of the skin. The top element is
// either <Window> (window settings and fonts for the paint manager, then
// one root control) or a control itself. Unknown element names are offered
// to the builder callback; what nobody knows is skipped with a log line.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/ui_defs.h"

class TiXmlElement;

class CDialogBuilder {
 public:
  // `xmlFile` names a file of the skin, or is the layout text itself when
  // it begins with '<'. The tree is added to `parent` when that is a
  // container. Returns null (with a log line) when the file is missing or
  // malformed or holds no control.
  CControlUI* Create(const wchar_t* xmlFile, const wchar_t* type = nullptr, IDialogBuilderCallback* pCallback = nullptr,
                     CPaintManagerUI* pManager = nullptr, CControlUI* parent = nullptr);

 private:
  CControlUI* Parse(const TiXmlElement* element, int depth);
  CControlUI* CreateByName(const std::string& name);
  void ApplyWindow(const TiXmlElement* window);

  IDialogBuilderCallback* m_pCallback = nullptr;
  CPaintManagerUI* m_pManager = nullptr;
};
