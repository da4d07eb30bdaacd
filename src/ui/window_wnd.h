// A native window bound to an object: registers the class, routes the
// window procedure to HandleMessage and runs modal loops.
#pragma once

#include <windows.h>

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  HWND Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU hMenu = NULL);
  void ShowWindow(bool bShow = true, bool bTakeFocus = true);
  // Shows the window, disables its owner and runs a message loop until the
  // window is gone; returns the code given to Close (0 when closed otherwise).
  UINT ShowModal();
  // Posts WM_CLOSE with the code as first parameter.
  void Close(UINT nRet = IDOK);
  // Centres on the owner when it is shown, else on the work area.
  void CenterWindow();
  void SetIcon(UINT nRes);

  LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

 protected:
  virtual const wchar_t* GetWindowClassName() const = 0;
  virtual UINT GetClassStyle() const { return 0; }
  virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  // The last message of the native window (WM_NCDESTROY): the object may
  // delete itself here.
  virtual void OnFinalMessage(HWND hWnd) {}

  HWND m_hWnd = nullptr;

 private:
  bool RegisterWindowClass();
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
};
