// The drop shadow of a frameless window: a layered, click-through window
// just below it, drawn from a nine-grid image whose corners give the
// shadow's width on each side. It follows the window's moves, hides while
// the window is minimised, maximised or hidden, and goes with it.
#pragma once

#include <windows.h>

#include <string>

class CWndShadow {
 public:
  CWndShadow();
  ~CWndShadow();
  CWndShadow(const CWndShadow&) = delete;
  CWndShadow& operator=(const CWndShadow&) = delete;

  // Registers the shadow's window class. False when the system cannot show
  // per-pixel translucent windows: under Wine without a compositing manager
  // such a window is drawn opaque, a black frame round the window, so there
  // the windows go without shadow (Create does nothing) unless `bForce`.
  static bool Initialize(HINSTANCE hInstance, bool bForce = false);
  void Create(HWND hParent);
  // An image of the skin; its corners (SetShadowCorner) are drawn unscaled.
  bool SetImage(const wchar_t* image);
  bool SetShadowCorner(RECT corner);
  // Insets of the transparent hole from the window's edges.
  bool SetHoleOffset(RECT offset);
  HWND GetHWND() const { return m_hWnd; }

 private:
  static LRESULT CALLBACK ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  void OnParentMessage(UINT uMsg, WPARAM wParam);
  void Detach();
  void DestroyShadowWindow();
  void Update();
  void Show(bool bShow);
  bool ParentShowsShadow() const;

  HWND m_hWnd = nullptr;
  HWND m_hParent = nullptr;
  std::wstring m_sImage;
  RECT m_rcCorner = {0, 0, 0, 0};
  RECT m_rcHoleOffset = {0, 0, 0, 0};
  SIZE m_szDrawn = {0, 0};  // parent size the bitmap was drawn for
  UINT m_uDrawnDpi = 0;     // and the DPI
};
