#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "corekit/log.h"

namespace uitest {

void UseFixtureSkin() {
  CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
  CPaintManagerUI::SetResourceZip(L"ui_test_skin.zip");
  CPaintManagerUI::SetTextResolver([](const std::string& key) { return L"<" + std::wstring(key.begin(), key.end()) + L">"; });
}

void UseFreshLog() {
  auto folder = std::filesystem::temp_directory_path() / "kalto_ui_test_log";
  std::filesystem::remove_all(folder);
  CLogWrapper::Instance()->SetDirectory(folder.u8string());
}

std::string ReadLog() {
  std::ifstream in(std::filesystem::u8path(CLogWrapper::Instance()->GetFilePath()), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Pump(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  }
}

CControlUI* BuildAndPlace(const wchar_t* xml, int width, int height) {
  CDialogBuilder builder;
  CControlUI* root = builder.Create(xml);
  if (root) root->SetPos(RECT{0, 0, width, height});
  return root;
}

HWND TestWindow::CreateShown(HWND owner) {
  HWND hwnd = Create(owner, L"ui test", owner ? WS_POPUPWINDOW : (0x10CF0000 & ~WS_VISIBLE), 0, 100, 100);
  if (hwnd) {
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);
    Pump();
  }
  return hwnd;
}

void TestWindow::Notify(TNotifyUI& msg) {
  notifications.push_back(msg.sType + L":" + (msg.pSender ? msg.pSender->GetName() : L""));
  WindowImplBase::Notify(msg);
}

void TestWindow::OnClick(TNotifyUI& msg) {
  clicks.push_back(msg.pSender->GetName());
  if (onClick) onClick();
  if (closeCodeOnClick >= 0) Close(static_cast<UINT>(closeCodeOnClick));
}

LRESULT TestWindow::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  chars.push_back(static_cast<wchar_t>(wParam));
  return 0;
}

void ClickAt(HWND hwnd, const RECT& rc) {
  LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, at);
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
}

}  // namespace uitest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::OleInitialize(nullptr);
  uitest::UseFixtureSkin();
  uitest::UseFreshLog();
  CWndShadow::Initialize(::GetModuleHandleW(nullptr));
  return RUN_ALL_TESTS();
}
