// The update window with the program's own skin: the version label, one
// bulleted row per release-note line, and the modal result of every way to
// close it (buttons, Esc, Enter, the accessibility tree's press).
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "skinkit/resource_mgr.h"
#include "ui/accessible.h"
#include "update/update_frame.h"

namespace {

std::wstring Text(const char* key) { return DllResourceMgr::LoadStringW(key); }

VARIANT Self() {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

// The names of every object of a window's accessibility tree, depth first.
void WalkNames(IAccessible* acc, std::vector<std::wstring>& out) {
  BSTR name = nullptr;
  if (acc->get_accName(Self(), &name) == S_OK && name) out.emplace_back(name, SysStringLen(name));
  SysFreeString(name);
  long count = 0;
  acc->get_accChildCount(&count);
  for (long i = 1; i <= count; ++i) {
    VARIANT id;
    id.vt = VT_I4;
    id.lVal = i;
    IDispatch* dispatch = nullptr;
    if (acc->get_accChild(id, &dispatch) != S_OK || !dispatch) continue;
    IAccessible* child = nullptr;
    dispatch->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&child));
    dispatch->Release();
    if (child) {
      WalkNames(child, out);
      child->Release();
    }
  }
}

class TestFrame : public CUpdateFrame {
 public:
  CPaintManagerUI& Manager() { return m_PaintManager; }
};

class UpdateFrameTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for the accessibility client
    DllResourceMgr::instance()->LoadSkin("kalto", "en_US");
    CPaintManagerUI::SetTextResolver([](const std::string& key) { return Text(key.c_str()); });
    CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    // The test runs in build/<preset>/tests/win; the skin archive lies in build/<preset>.
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath() + L"..\\..\\");
    CPaintManagerUI::SetResourceZip(L"skin.zip", false);
  }

  // Builds the window as the main window does, placed and laid out.
  void Open(const std::wstring& notes) {
    ASSERT_NE(frame_.Create(nullptr, L"UpdateFrame", WS_POPUPWINDOW, 0), nullptr);
    frame_.SetVersion(L"2.0.0.7");
    frame_.SetReleaseNotes(notes);
    frame_.CenterWindow();
    frame_.Manager().UpdateLayout();
  }

  CControlUI* Find(const wchar_t* name) { return frame_.Manager().FindControl(name); }
  HWND Hwnd() { return frame_.GetHWND(); }

  // Queues a click at the centre of a control; the modal loop delivers it.
  void QueueClick(const wchar_t* name) {
    CControlUI* control = Find(name);
    ASSERT_NE(control, nullptr) << name;
    const RECT& r = control->GetPos();
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(Hwnd(), WM_MOUSEMOVE, 0, at);
    PostMessageW(Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(Hwnd(), WM_LBUTTONUP, 0, at);
  }

  std::vector<std::wstring> NoteRows() {
    std::vector<std::wstring> rows;
    CContainerUI* list = static_cast<CContainerUI*>(Find(L"updateinfolayout"));
    for (int i = 0; list && i < list->GetCount(); ++i) {
      CContainerUI* row = static_cast<CContainerUI*>(list->GetItemAt(i));
      EXPECT_EQ(row->GetCount(), 2);
      EXPECT_EQ(row->GetFixedHeight(), 27);
      EXPECT_EQ(row->GetItemAt(0)->GetFixedWidth(), 16);  // the bullet
      rows.push_back(row->GetItemAt(1)->GetText());
    }
    return rows;
  }

  TestFrame frame_;
};

TEST_F(UpdateFrameTest, VersionAndOneBulletedRowPerNoteLine) {
  Open(L"Faster start|Clearer sound|");
  EXPECT_EQ(Find(L"version")->GetText(), L"2.0.0.7");
  EXPECT_EQ(NoteRows(), (std::vector<std::wstring>{L"Faster start", L"Clearer sound", L""}));
  QueueClick(L"cancel");
  EXPECT_EQ(frame_.ShowModal(), static_cast<UINT>(UPDATE_DECLINED));
  // A second offer starts with an empty list.
  Open(L"Only one line");
  EXPECT_EQ(NoteRows(), (std::vector<std::wstring>{L"Only one line"}));
  QueueClick(L"closebtn");
  EXPECT_EQ(frame_.ShowModal(), static_cast<UINT>(UPDATE_DECLINED));
}

TEST_F(UpdateFrameTest, OkAcceptsEveryOtherWayDeclines) {
  Open(L"x");
  QueueClick(L"ok");
  EXPECT_EQ(frame_.ShowModal(), static_cast<UINT>(UPDATE_ACCEPTED));
  Open(L"x");
  PostMessageW(Hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(frame_.ShowModal(), static_cast<UINT>(UPDATE_DECLINED));
  Open(L"x");
  PostMessageW(Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(frame_.ShowModal(), static_cast<UINT>(UPDATE_DECLINED));
}

TEST_F(UpdateFrameTest, EnterPressesTheFocusedButtonOkAtFirst) {
  Open(L"x");
  PostMessageW(Hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(frame_.ShowModal(), static_cast<UINT>(UPDATE_ACCEPTED));
  Open(L"x");
  PostMessageW(Hwnd(), WM_KEYDOWN, VK_TAB, 0);  // from "ok" round to "closebtn"
  PostMessageW(Hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(frame_.ShowModal(), static_cast<UINT>(UPDATE_DECLINED));
}

TEST_F(UpdateFrameTest, TheAccessibilityTreeReadsTheOfferAndPressesOk) {
  Open(L"Faster start|Clearer sound");
  IAccessible* root = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(Hwnd(), OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&root)), S_OK);
  std::vector<std::wstring> names;
  WalkNames(root, names);
  root->Release();
  for (const std::wstring& text : {Text("s.ui.update.title"), std::wstring(L"2.0.0.7"), std::wstring(L"Faster start"),
                                   std::wstring(L"Clearer sound"), Text("s.ui.update.now"), Text("s.ui.update.later")}) {
    EXPECT_NE(std::find(names.begin(), names.end(), text), names.end());
  }
  ASSERT_EQ(Find(L"ok")->GetAccessible()->accDoDefaultAction(Self()), S_OK);
  EXPECT_EQ(frame_.ShowModal(), static_cast<UINT>(UPDATE_ACCEPTED));
}

}  // namespace
