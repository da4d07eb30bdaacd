// What a screen reader finds through WM_GETOBJECT: the visible controls
// with their names, roles, states, places and the press of buttons.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ui/accessible.h"
#include "ui_test_support.h"

using uitest::TestWindow;

namespace {

VARIANT Self() {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

std::wstring Name(IAccessible* acc) {
  BSTR name = nullptr;
  std::wstring result;
  if (acc->get_accName(Self(), &name) == S_OK) result.assign(name, ::SysStringLen(name));
  ::SysFreeString(name);
  return result;
}

LONG Number(IAccessible* acc, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
  VARIANT value;
  ::VariantInit(&value);
  if ((acc->*get)(Self(), &value) != S_OK || value.vt != VT_I4) return -1;
  return value.lVal;
}

IAccessible* Child(IAccessible* parent, long index) {
  VARIANT id;
  id.vt = VT_I4;
  id.lVal = index;
  IDispatch* dispatch = nullptr;
  if (parent->get_accChild(id, &dispatch) != S_OK || !dispatch) return nullptr;
  IAccessible* child = nullptr;
  dispatch->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&child));
  dispatch->Release();
  return child;
}

// Every object of the tree, depth first, as "role:name".
void Walk(IAccessible* acc, std::vector<std::wstring>& out) {
  out.push_back(std::to_wstring(Number(acc, &IAccessible::get_accRole)) + L":" + Name(acc));
  long count = 0;
  acc->get_accChildCount(&count);
  for (long i = 1; i <= count; ++i) {
    if (IAccessible* child = Child(acc, i)) {
      Walk(child, out);
      child->Release();
    }
  }
}

bool Has(const std::vector<std::wstring>& items, const std::wstring& item) {
  for (const auto& i : items)
    if (i == item) return true;
  return false;
}

IAccessible* ClientObject(HWND hwnd) {
  IAccessible* acc = nullptr;
  ::AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&acc));
  return acc;
}

std::wstring Role(LONG role) { return std::to_wstring(role) + L":"; }

}  // namespace

TEST(Accessibility, TheTreeListsTheVisibleControlsWithTheirTexts) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  window.Find(L"detail")->SetVisible(false);
  IAccessible* root = ClientObject(hwnd);
  ASSERT_TRUE(root);
  std::vector<std::wstring> tree;
  Walk(root, tree);
  EXPECT_EQ(tree.front(), Role(ROLE_SYSTEM_CLIENT));
  EXPECT_TRUE(Has(tree, Role(ROLE_SYSTEM_STATICTEXT) + L"<s.app.name>"));
  EXPECT_TRUE(Has(tree, Role(ROLE_SYSTEM_PUSHBUTTON) + L"<s.ui.close>"));  // an image button speaks its tooltip
  EXPECT_TRUE(Has(tree, Role(ROLE_SYSTEM_PUSHBUTTON) + L"\u786E\u5B9A OK"));
  EXPECT_TRUE(Has(tree, Role(ROLE_SYSTEM_ANIMATION)));
  for (const auto& item : tree) EXPECT_EQ(item.find(L"\u4E00\u884C"), std::wstring::npos);  // the hidden text
  root->Release();
  ::DestroyWindow(hwnd);
}

TEST(Accessibility, StatesPlacesAndThePressOfAButton) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  CControlUI* ok = window.Find(L"ok");
  IAccessible* acc = ok->GetAccessible();
  acc->AddRef();
  VARIANT self = Self();
  BSTR action = nullptr;
  ASSERT_EQ(acc->get_accDefaultAction(self, &action), S_OK);
  EXPECT_STREQ(action, L"press");
  ::SysFreeString(action);

  long x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(acc->accLocation(&x, &y, &w, &h, self), S_OK);
  POINT origin = {ok->GetPos().left, ok->GetPos().top};
  ::ClientToScreen(hwnd, &origin);
  EXPECT_EQ(x, origin.x);
  EXPECT_EQ(y, origin.y);
  EXPECT_EQ(w, ok->GetPos().right - ok->GetPos().left);

  VARIANT hit;
  ASSERT_EQ(acc->accHitTest(x + w / 2, y + h / 2, &hit), S_OK);
  EXPECT_EQ(hit.vt, VT_I4);

  EXPECT_EQ(acc->accDoDefaultAction(self), S_OK);
  EXPECT_EQ(window.clicks, std::vector<std::wstring>{L"ok"});
  EXPECT_TRUE(Number(acc, &IAccessible::get_accState) & STATE_SYSTEM_FOCUSABLE);

  ok->GetParent()->SetEnabled(false);  // unavailable through its parent too
  EXPECT_TRUE(Number(acc, &IAccessible::get_accState) & STATE_SYSTEM_UNAVAILABLE);
  ok->SetVisible(false);
  EXPECT_TRUE(Number(acc, &IAccessible::get_accState) & STATE_SYSTEM_INVISIBLE);

  // The control goes, the object a reader still holds answers safely.
  static_cast<CContainerUI*>(ok->GetParent()->GetInterface(L"Container"))->RemoveAll();
  EXPECT_EQ(acc->get_accName(self, &action), RPC_E_DISCONNECTED);
  acc->Release();
  ::DestroyWindow(hwnd);
}

// As COM delivers a screen reader's calls: on a thread other than the
// window's, while the window's thread runs its message loop.
TEST(Accessibility, CallsFromAnotherThreadActOnTheWindowsThread) {
  TestWindow window(L"window.xml");
  HWND hwnd = window.CreateShown();
  CControlUI* ok = window.Find(L"ok");
  DWORD clickThread = 0;
  window.onClick = [&] { clickThread = ::GetCurrentThreadId(); };
  IAccessible* acc = ok->GetAccessible();
  acc->AddRef();
  std::atomic<bool> done{false};
  HRESULT pressed = E_FAIL;
  std::wstring name;
  std::thread reader([&] {
    name = Name(acc);
    pressed = acc->accDoDefaultAction(Self());
    done = true;
  });
  const DWORD start = ::GetTickCount();
  while (!done && ::GetTickCount() - start < 10000) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  reader.join();
  EXPECT_EQ(pressed, S_OK);
  EXPECT_EQ(name, CAccessibleUI::NameOf(ok));
  EXPECT_EQ(window.clicks, std::vector<std::wstring>{L"ok"});
  EXPECT_EQ(clickThread, ::GetCurrentThreadId());  // the click ran where the window lives
  acc->Release();
  ::DestroyWindow(hwnd);
}

TEST(Accessibility, ARowOfAListSpeaksItsTexts) {
  TestWindow window(L"<Window size='300,200'><List name='list'/></Window>");
  HWND hwnd = window.CreateShown();
  auto* list = static_cast<CListUI*>(window.Find(L"list"));
  CDialogBuilder builder;
  CControlUI* row = builder.Create(
      L"<HorizontalLayout height='61'><Label text='\u5904\u7406\u5668'/><Label text='pass' visible='false'/>"
      L"<VerticalLayout><Label text='Intel 2.4 GHz'/></VerticalLayout></HorizontalLayout>");
  list->Add(row);
  IAccessible* root = ClientObject(hwnd);
  ASSERT_TRUE(root);
  EXPECT_EQ(Number(root, &IAccessible::get_accRole), ROLE_SYSTEM_CLIENT);  // the list is the whole window
  IAccessible* item = Child(root, 1);
  ASSERT_TRUE(item);
  EXPECT_EQ(Number(item, &IAccessible::get_accRole), ROLE_SYSTEM_LISTITEM);
  EXPECT_EQ(Name(item), L"\u5904\u7406\u5668, Intel 2.4 GHz");
  item->Release();
  root->Release();
  ::DestroyWindow(hwnd);
}
