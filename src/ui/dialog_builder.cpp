#include "ui/dialog_builder.h"

#include <tinyxml.h>

#include "corekit/log.h"
#include "corekit/textconv.h"
#include "ui/button.h"
#include "ui/container.h"
#include "ui/gif_anim.h"
#include "ui/label.h"
#include "ui/list.h"
#include "ui/paint_manager.h"
#include "ui/skin_archive.h"

namespace {

// Deeper nesting than any real layout: a guard against runaway files.
const int kMaxDepth = 64;

std::wstring Wide(const char* text) { return corekit::Utf8ToWide(text ? text : ""); }

}  // namespace

CControlUI* CDialogBuilder::Create(const wchar_t* xmlFile, const wchar_t* type, IDialogBuilderCallback* pCallback,
                                   CPaintManagerUI* pManager, CControlUI* parent) {
  if (!xmlFile) return nullptr;
  m_pCallback = pCallback;
  m_pManager = pManager;
  std::string text;
  if (xmlFile[0] == L'<') {
    text = corekit::WideToUtf8(xmlFile);
  } else if (!ui::ReadSkinFile(xmlFile, text)) {
    return nullptr;
  }
  TiXmlDocument doc;
  doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
  if (doc.Error()) {
    LOG_METHOD(LOG_LEVEL_ERROR, "layout malformed = " << (xmlFile[0] == L'<' ? L"(text)" : xmlFile) << ", "
                                                      << doc.ErrorDesc() << " at row " << doc.ErrorRow());
    return nullptr;
  }
  const TiXmlElement* top = doc.RootElement();
  if (!top) return nullptr;
  const TiXmlElement* rootElement = top;
  if (top->ValueStr() == "Window") {
    ApplyWindow(top);
    rootElement = nullptr;
    for (const TiXmlElement* e = top->FirstChildElement(); e && !rootElement; e = e->NextSiblingElement())
      if (e->ValueStr() != "Font") rootElement = e;
  }
  CControlUI* root = rootElement ? Parse(rootElement, 0) : nullptr;
  if (!root) {
    LOG_METHOD(LOG_LEVEL_ERROR, "layout holds no control = " << (xmlFile[0] == L'<' ? L"(text)" : xmlFile));
    return nullptr;
  }
  auto* container = parent ? static_cast<CContainerUI*>(parent->GetInterface(L"Container")) : nullptr;
  if (container) container->Add(root);
  else if (pManager) root->SetManager(pManager, nullptr);
  return root;
}

void CDialogBuilder::ApplyWindow(const TiXmlElement* window) {
  if (!m_pManager) return;
  for (const TiXmlAttribute* a = window->FirstAttribute(); a; a = a->Next()) {
    std::string name = a->NameTStr();
    std::wstring value = Wide(a->Value());
    int cx = 0, cy = 0;
    ui::Edges edges;
    if (name == "size" && ui::ParsePair(value, cx, cy)) m_pManager->SetInitSize(cx, cy);
    else if (name == "roundcorner" && ui::ParsePair(value, cx, cy)) m_pManager->SetRoundCorner(cx, cy);
    else if (name == "mininfo" && ui::ParsePair(value, cx, cy)) m_pManager->SetMinInfo(cx, cy);
    else if (name == "caption" && ui::ParseEdges(value, edges)) {
      RECT rc = ui::ToRect(edges);
      m_pManager->SetCaptionRect(rc);
    } else {
      LOG_METHOD(LOG_LEVEL_ERROR, "window attribute ignored: " << name << " = " << value);
    }
  }
  for (const TiXmlElement* font = window->FirstChildElement("Font"); font; font = font->NextSiblingElement("Font")) {
    int id = -1;
    ui::FontSpec spec;
    bool isDefault = false;
    for (const TiXmlAttribute* a = font->FirstAttribute(); a; a = a->Next()) {
      std::string name = a->NameTStr();
      std::wstring value = Wide(a->Value());
      if (name == "id") ui::ParseInt(value, id);
      else if (name == "name") spec.name = value;
      else if (name == "size") ui::ParseInt(value, spec.size);
      else if (name == "bold") ui::ParseBool(value, spec.bold);
      else if (name == "italic") ui::ParseBool(value, spec.italic);
      else if (name == "underline") ui::ParseBool(value, spec.underline);
      else if (name == "default") ui::ParseBool(value, isDefault);
    }
    if (id < 0 || spec.size <= 0 || spec.size > 200) {
      LOG_METHOD(LOG_LEVEL_ERROR, "font ignored, bad id or size: id = " << id << ", size = " << spec.size);
      continue;
    }
    m_pManager->AddFont(id, spec, isDefault);
  }
}

CControlUI* CDialogBuilder::CreateByName(const std::string& name) {
  if (name == "Control") return new CControlUI;
  if (name == "Label" || name == "Text") return new CLabelUI;
  if (name == "Button") return new CButtonUI;
  if (name == "Container") return new CContainerUI;
  if (name == "VerticalLayout") return new CVerticalLayoutUI;
  if (name == "HorizontalLayout") return new CHorizontalLayoutUI;
  if (name == "List") return new CListUI;
  if (name == "GifAnim") return new CGifAnimUI;
  if (m_pCallback) return m_pCallback->CreateControl(Wide(name.c_str()).c_str());
  return nullptr;
}

CControlUI* CDialogBuilder::Parse(const TiXmlElement* element, int depth) {
  if (depth > kMaxDepth) {
    LOG_METHOD(LOG_LEVEL_ERROR, "layout nested too deeply; subtree skipped at " << element->ValueStr());
    return nullptr;
  }
  CControlUI* control = CreateByName(element->ValueStr());
  if (!control) {
    LOG_METHOD(LOG_LEVEL_ERROR, "unknown control skipped = " << element->ValueStr());
    return nullptr;
  }
  for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next())
    control->SetAttribute(Wide(a->Name()).c_str(), Wide(a->Value()).c_str());
  auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
  for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
    if (!container) {
      LOG_METHOD(LOG_LEVEL_ERROR, "children of a non-container skipped = " << element->ValueStr());
      break;
    }
    if (CControlUI* item = Parse(child, depth + 1)) container->Add(item);
  }
  return control;
}
