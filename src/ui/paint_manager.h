// The paint manager of one skinned window: it owns the control tree, lays
// it out, paints it double-buffered, turns the window's mouse and keyboard
// messages into control events and notifications, and holds the window's
// fonts and layout settings. Its static part holds what all windows share:
// the module instance, the skin location and the localised-text resolver.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/font_table.h"
#include "ui/ui_defs.h"

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // --- shared by all windows ---
  static void SetInstance(HINSTANCE hInst);
  static HINSTANCE GetInstance();
  // Folder of the program, with a trailing backslash.
  static std::wstring GetInstancePath();
  static void SetResourcePath(const std::wstring& path);
  static const std::wstring& GetResourcePath();
  // The archive (in the resource path) the skin files are read from; an
  // empty name reads them from the folder itself.
  static void SetResourceZip(const std::wstring& zipName, bool bCachedResourceZip = false);
  static const std::wstring& GetResourceZip();
  static bool IsCachedResourceZip();
  // Runs the thread's message loop until WM_QUIT.
  static void MessageLoop();
  // Resolves "%{key}" attribute texts; without a resolver they stay as written.
  static void SetTextResolver(std::function<std::wstring(const std::string& key)> resolver);
  static const std::function<std::wstring(const std::string& key)>& GetTextResolver();

  // --- one window ---
  void Init(HWND hWnd);
  HWND GetPaintWindow() const { return m_hWndPaint; }
  // Makes `pRoot` the tree of the window (the manager owns it from then on).
  bool AttachDialog(CControlUI* pRoot);
  CControlUI* GetRoot() const { return m_pRoot; }

  CControlUI* FindControl(const wchar_t* name) const;
  // The topmost visible control at a client point.
  CControlUI* FindControl(POINT pt) const;
  CControlUI* FindSubControlByName(CControlUI* parent, const wchar_t* name) const;

  // Mouse presses inside this rectangle drag the window: left, top and
  // right are offsets from the window's edges, bottom is the height.
  void SetCaptionRect(RECT& rc);
  const RECT& GetCaptionRect() const { return m_rcCaption; }
  void SetInitSize(int cx, int cy);
  SIZE GetInitSize() const { return m_szInitWindowSize; }
  void SetRoundCorner(int cx, int cy);
  SIZE GetRoundCorner() const { return m_szRoundCorner; }
  void SetMinInfo(int cx, int cy);
  SIZE GetMinInfo() const { return m_szMinWindow; }

  // The DPI of the window's screen (96 is 100 %). Control places, sizes and
  // fonts are layout pixels at 96 DPI; painting, hit tests and the window's
  // size scale them to the screen's pixels.
  UINT GetDpi() const { return m_uDpi; }
  // A new DPI (the window moved to another screen): the tree is laid out
  // and painted again.
  void SetDpi(UINT dpi);
  RECT LayoutToClient(const RECT& rc) const;
  POINT ClientToLayout(POINT pt) const;
  int ScaleLength(int length) const;

  void AddFont(int id, const ui::FontSpec& spec, bool isDefault);
  Gdiplus::Font* GetFont(int id);

  void AddNotifier(INotifyUI* pNotifier);
  bool RemoveNotifier(INotifyUI* pNotifier);
  void SendNotify(CControlUI* pControl, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0);
  void AddMessageFilter(IMessageFilterUI* pFilter);
  bool RemoveMessageFilter(IMessageFilterUI* pFilter);

  // Handles the window message if it concerns the controls; true when handled.
  bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

  void NeedUpdate();
  // True while a layout is pending: control places may still change.
  bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
  void Invalidate(const RECT& rc);
  // Runs a pending layout now (painting does it anyway).
  void UpdateLayout();

  CControlUI* GetFocus() const { return m_pFocus; }
  void SetFocus(CControlUI* pControl);
  // Moves the keyboard focus to the next (or previous) enabled, visible
  // pressable control, wrapping round; false when there is none.
  bool MoveFocus(bool bForward);
  // The focus ring shows once the keyboard has been used.
  bool IsFocusCueShown() const { return m_bFocusCue; }

  bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
  bool KillTimer(CControlUI* pControl, UINT nTimerID);

  // Forgets every reference to a control that is being destroyed, to all
  // controls of a subtree taken out of the tree, or to a subtree hidden or
  // disabled (it loses focus, hot state and capture).
  void ReapObjects(CControlUI* pControl);
  void ReapTree(CControlUI* pControl);
  void ForgetHidden(CControlUI* pControl);

  // Marks a dispatch: input, focus changes and notifications, whose
  // listeners may take controls out of the tree while callers up the stack
  // still hold them. Controls removed meanwhile are destroyed when the
  // outermost dispatch ends. Safe against the manager going away inside.
  class DispatchScope {
   public:
    explicit DispatchScope(CPaintManagerUI* pManager);
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

   private:
    CPaintManagerUI* m_pManager;
    std::shared_ptr<bool> m_pManagerAlive;
  };
  // Destroys a control already taken out of the tree (its manager reset):
  // at once, or at the end of the running dispatch.
  void DestroyRemoved(CControlUI* pControl);

 private:
  struct TimerInfo {
    CControlUI* pSender;
    UINT nLocalID;
    UINT_PTR uWinTimer;
  };

  void Paint();
  void DestroyPendingRemovals();
  void SendEvent(CControlUI* pControl, int type, POINT pt, WPARAM wParam = 0, LPARAM lParam = 0);
  bool OnMouse(UINT uMsg, WPARAM wParam, LPARAM lParam);
  bool OnKeyDown(WPARAM wParam);
  bool OnTimer(UINT_PTR id);
  void UpdateHover(POINT pt);
  void ShowToolTip();
  void HideToolTip();

  HWND m_hWndPaint = nullptr;
  CControlUI* m_pRoot = nullptr;
  CControlUI* m_pFocus = nullptr;
  CControlUI* m_pEventHover = nullptr;
  CControlUI* m_pEventClick = nullptr;
  UINT m_uDpi = 96;
  bool m_bUpdateNeeded = false;
  bool m_bFocusCue = false;
  bool m_bMouseTracking = false;
  RECT m_rcCaption = {0, 0, 0, 0};
  SIZE m_szInitWindowSize = {0, 0};
  SIZE m_szRoundCorner = {0, 0};
  SIZE m_szMinWindow = {0, 0};
  ui::FontTable m_fonts;
  std::vector<INotifyUI*> m_notifiers;
  std::vector<IMessageFilterUI*> m_filters;
  std::vector<TimerInfo> m_timers;
  UINT_PTR m_uNextTimer = 0x1000;
  HWND m_hwndTooltip = nullptr;
  CControlUI* m_pTooltipOwner = nullptr;
  // The back buffer, kept while the window keeps its size.
  HDC m_hdcOffscreen = nullptr;
  HBITMAP m_hbmpOffscreen = nullptr;
  HGDIOBJ m_hbmpOld = nullptr;
  SIZE m_szOffscreen = {0, 0};
  int m_nDispatchDepth = 0;                    // dispatches running, nested
  std::vector<CControlUI*> m_pendingRemovals;  // destroyed when the outermost one ends
  std::shared_ptr<bool> m_pAlive = std::make_shared<bool>(true);
};
