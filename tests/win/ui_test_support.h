// Shared pieces of the UI tests: the skin of the test fixtures, a window
// built from one of its layouts, and the message pump.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace uitest {

// Points the UI layer at the fixture archive beside the test program.
void UseFixtureSkin();
// Sends the log to a fresh folder.
void UseFreshLog();
// Everything the log holds so far.
std::string ReadLog();
// Runs the messages waiting for this thread (and those they cause).
void Pump(int rounds = 3);
// Builds a tree from layout text and places it at (0,0) in w x h pixels,
// without a window.
CControlUI* BuildAndPlace(const wchar_t* xml, int width, int height);

// A window of the fixture skin that records its notifications.
class TestWindow : public WindowImplBase {
 public:
  explicit TestWindow(std::wstring skinFile, UILIB_RESOURCETYPE type = UILIB_ZIP)
      : m_skinFile(std::move(skinFile)), m_type(type) {}
  HWND CreateShown(HWND owner = nullptr);
  CControlUI* Find(const wchar_t* name) { return m_PaintManager.FindControl(name); }
  CPaintManagerUI& Manager() { return m_PaintManager; }

  std::vector<std::wstring> notifications;  // "type:sender name"
  std::vector<std::wstring> clicks;          // names of clicked controls
  std::vector<wchar_t> chars;                // what reached OnChar
  int closeCodeOnClick = -1;                 // Close(code) when a click arrives
  std::function<void()> onClick;             // called with every click

 protected:
  const wchar_t* GetWindowClassName() const override { return L"KaltoUiTestWindow"; }
  std::wstring GetSkinFolder() override { return L"ui_skin_folder\\"; }
  std::wstring GetSkinFile() override { return m_skinFile; }
  UILIB_RESOURCETYPE GetResourceType() const override { return m_type; }
  std::wstring GetZIPFileName() const override { return L"ui_test_skin.zip"; }
  void Notify(TNotifyUI& msg) override;
  void OnClick(TNotifyUI& msg) override;
  LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

 private:
  std::wstring m_skinFile;
  UILIB_RESOURCETYPE m_type;
};

// Sends a left click (move, press, release) at the centre of a control.
void ClickAt(HWND hwnd, const RECT& rc);

}  // namespace uitest
