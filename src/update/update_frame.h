// The update window: offers a published version with its release notes as a
// bulleted list. Modal; the result is 1 when the user accepts, 0 when the
// window is closed in any other way. Enter accepts (or presses the button
// that has the keyboard focus), Esc declines.
#pragma once

#include <memory>
#include <string>

#include "ui/ui.h"

// Results of the modal loop.
enum UpdateFrameResult { UPDATE_DECLINED = 0, UPDATE_ACCEPTED = 1 };

class CUpdateFrame : public WindowImplBase {
 public:
  CUpdateFrame();
  ~CUpdateFrame() override;

  // Puts the published version into the "version" label.
  void SetVersion(const std::wstring& version);
  // One row per release-note line in "updateinfolayout": a bullet and the line.
  void SetReleaseNotes(const std::wstring& notes);

 protected:
  const wchar_t* GetWindowClassName() const override { return L"UpdateFrameUI"; }
  // The object belongs to the main window and outlives its native windows.
  void OnFinalMessage(HWND hWnd) override {}
  void InitWindow() override;
  std::wstring GetSkinFolder() override { return L"skin\\"; }
  std::wstring GetSkinFile() override { return L"update.xml"; }
  UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_ZIP; }
  std::wstring GetZIPFileName() const override { return L"skin.zip"; }
  void Notify(TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

 private:
  std::unique_ptr<CWndShadow> m_pWndShadow;
  CControlUI* m_pBtnOk = nullptr;
  CControlUI* m_pBtnCancel = nullptr;
};
