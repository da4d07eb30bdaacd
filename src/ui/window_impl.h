// The skinned window: builds its control tree from a layout of the skin on
// creation, has no system frame (the layout draws everything) and the
// layout's size, which nothing resizes or maximises, drags by its caption
// area and routes "click" notifications to OnClick.
#pragma once

#include <string>

#include "ui/notify_pump.h"
#include "ui/paint_manager.h"
#include "ui/ui_defs.h"
#include "ui/window_wnd.h"

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  CPaintManagerUI& GetPaintManager() { return m_PaintManager; }

 protected:
  virtual std::wstring GetSkinFolder() = 0;
  virtual std::wstring GetSkinFile() = 0;
  virtual UILIB_RESOURCETYPE GetResourceType() const { return UILIB_FILE; }
  virtual std::wstring GetZIPFileName() const { return std::wstring(); }
  // Called once the layout has been built and attached.
  virtual void InitWindow() {}
  // True for a window that is not made at all when its layout cannot be
  // built: without it a frameless window shows nothing and has no button to
  // close it by. Otherwise such a window stays, empty.
  virtual bool NeedsLayout() const { return false; }

  void OnFinalMessage(HWND hWnd) override;
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  // Messages of a derived window, seen before the paint manager's.
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

  void Notify(TNotifyUI& msg) override;
  // "closebtn" closes (IDCANCEL), "minbtn" minimises.
  virtual void OnClick(TNotifyUI& msg);
  CControlUI* CreateControl(const wchar_t* pstrClass) override { return nullptr; }

  CPaintManagerUI m_PaintManager;

 private:
  LRESULT OnCreate();
  LRESULT OnNcHitTest(LPARAM lParam);
  void OnGetMinMaxInfo(LPARAM lParam);
  // The window moved to a screen of another DPI: scale to it and take the
  // place Windows suggests.
  void OnDpiChanged(UINT dpi, const RECT* suggested);
  void ApplyRoundCorner();
};

// Makes `region` the window's shape. The window owns it on success; on
// failure it is deleted here. False when it could not be set.
bool GiveWindowRegion(HWND hWnd, HRGN region);
