// The base of every control: name, texts, visibility, sizing attributes,
// background and border looks, position, and the hooks for painting,
// events and the control search.
#pragma once

#include <windows.h>

#include <string>

#include "ui/attr_parse.h"
#include "ui/ui_defs.h"

class CPaintManagerUI;
class CUIRender;
class CAccessibleUI;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual const wchar_t* GetClass() const { return L"ControlUI"; }
  // This object under one of the interface names ("Control", "Label", ...),
  // or null when it is not one.
  virtual void* GetInterface(const wchar_t* name);

  const std::wstring& GetName() const { return m_sName; }
  void SetName(const std::wstring& name) { m_sName = name; }
  virtual std::wstring GetText() const { return m_sText; }
  virtual void SetText(const std::wstring& text);
  const std::wstring& GetToolTip() const { return m_sToolTip; }
  virtual void SetToolTip(const std::wstring& text) { m_sToolTip = text; }

  // The control's own flag; a control is shown only when its ancestors are too.
  bool IsVisible() const { return m_bVisible; }
  virtual void SetVisible(bool bVisible = true);
  bool IsShownInTree() const;
  bool IsEnabled() const { return m_bEnabled; }
  virtual void SetEnabled(bool bEnabled = true);
  UINT_PTR GetTag() const { return m_pTag; }
  void SetTag(UINT_PTR tag) { m_pTag = tag; }

  void SetFixedWidth(int cx);
  void SetFixedHeight(int cy);
  int GetFixedWidth() const { return m_cxFixed; }
  int GetFixedHeight() const { return m_cyFixed; }
  void SetMinWidth(int cx);
  void SetMinHeight(int cy);
  void SetMaxWidth(int cx);
  void SetMaxHeight(int cy);
  int GetMinWidth() const { return m_cxMin; }
  int GetMinHeight() const { return m_cyMin; }
  int GetMaxWidth() const { return m_cxMax; }
  int GetMaxHeight() const { return m_cyMax; }
  void SetPadding(RECT rc);
  const RECT& GetPadding() const { return m_rcPadding; }
  // A floating control is placed by its "pos", relative to its parent,
  // outside the parent's stacking.
  bool IsFloat() const { return m_bFloat; }
  void SetFloat(bool bFloat);
  void SetFloatPos(RECT rc);
  const RECT& GetFloatPos() const { return m_rcFloat; }

  void SetBkColor(DWORD argb);
  DWORD GetBkColor() const { return m_dwBkColor; }
  void SetBorderColor(DWORD argb);
  void SetBorderSize(int size);
  void SetBorderRound(SIZE round);
  void SetBkImage(const std::wstring& image);
  const ui::ImageDesc& GetBkImage() const { return m_bkImage; }

  // Sets one attribute of the layout files by name; an unknown name or a bad
  // value changes nothing.
  virtual void SetAttribute(const wchar_t* name, const wchar_t* value);

  const RECT& GetPos() const { return m_rcItem; }
  // Places the control (and lays out what it holds).
  virtual void SetPos(RECT rc);
  CControlUI* GetParent() const { return m_pParent; }
  CPaintManagerUI* GetManager() const { return m_pManager; }
  virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent);

  // Visits this control (and, in containers, its descendants); returns the
  // first control for which Proc returns non-null.
  virtual CControlUI* FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags);

  // The layout must be recomputed (size or visibility changed).
  void NeedUpdate();
  // The control must be repainted.
  void Invalidate();

  virtual void DoPaint(CUIRender& render, const RECT& rcPaint);
  virtual void DoEvent(TEventUI& event);

  // Keyboard focus: only controls that can be pressed take it.
  virtual bool IsFocusable() const { return false; }
  bool IsFocused() const;
  void SetFocus();
  // The press of a pressable control, from the keyboard or a screen reader.
  virtual void Activate() {}

  // The control's object for screen readers, made on first use.
  CAccessibleUI* GetAccessible();

 protected:
  virtual void PaintBkColor(CUIRender& render);
  virtual void PaintBkImage(CUIRender& render);
  virtual void PaintStatusImage(CUIRender& render) {}
  virtual void PaintText(CUIRender& render) {}
  virtual void PaintBorder(CUIRender& render);
  // Sets a localised or plain text attribute value through the resolver.
  static std::wstring ResolveText(const wchar_t* value);

  CPaintManagerUI* m_pManager = nullptr;
  CControlUI* m_pParent = nullptr;
  std::wstring m_sName;
  std::wstring m_sText;
  std::wstring m_sToolTip;
  bool m_bVisible = true;
  bool m_bEnabled = true;
  bool m_bFloat = false;
  UINT_PTR m_pTag = 0;
  RECT m_rcItem = {0, 0, 0, 0};
  RECT m_rcPadding = {0, 0, 0, 0};
  RECT m_rcFloat = {0, 0, 0, 0};
  int m_cxFixed = 0, m_cyFixed = 0;
  int m_cxMin = 0, m_cyMin = 0;
  int m_cxMax = 0, m_cyMax = 0;
  DWORD m_dwBkColor = 0;
  DWORD m_dwBorderColor = 0;
  int m_nBorderSize = 0;
  SIZE m_szBorderRound = {0, 0};
  ui::ImageDesc m_bkImage;

 private:
  CAccessibleUI* m_pAccessible = nullptr;
};

namespace ui {
RECT ToRect(const Edges& e);
}  // namespace ui
