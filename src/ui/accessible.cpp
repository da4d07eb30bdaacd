#include "ui/accessible.h"

#include <cwchar>

#include "ui/button.h"
#include "ui/container.h"
#include "ui/paint_manager.h"
#include "ui/ui_thread.h"

namespace {

LONG NextUniqueId() {
  static LONG next = 0x10000;
  return ++next;
}

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

bool IsA(CControlUI* pControl, const wchar_t* name) { return pControl && pControl->GetInterface(name); }

CControlUI* CALLBACK CollectTexts(CControlUI* pControl, LPVOID pData) {
  std::wstring text = pControl->GetText();
  if (!text.empty() && pControl->IsShownInTree()) {
    auto* joined = static_cast<std::wstring*>(pData);
    if (!joined->empty()) *joined += L", ";
    *joined += text;
  }
  return nullptr;
}

struct UniqueIdSearch {
  LONG id;
  static CControlUI* CALLBACK Visit(CControlUI* pControl, LPVOID pData) {
    auto* search = static_cast<UniqueIdSearch*>(pData);
    return pControl->GetAccessible()->GetUniqueId() == search->id ? pControl : nullptr;
  }
};

// Every call acts on the user-interface thread, which owns the controls:
// COM delivers calls from other processes on threads of its own.
template <typename Body>
HRESULT OnUiThread(Body&& body) {
  HRESULT hr = RPC_E_DISCONNECTED;
  ui::RunOnUiThread([&] { hr = body(); });
  return hr;
}

}  // namespace

CAccessibleUI::CAccessibleUI(CControlUI* pControl) : m_pControl(pControl), m_lUniqueId(NextUniqueId()) {}

std::wstring CAccessibleUI::NameOf(CControlUI* pControl) {
  std::wstring text = pControl->GetText();
  if (!text.empty()) return text;
  // An image button speaks its tooltip; a row of a list speaks its texts.
  if (IsA(pControl, L"Button")) return pControl->GetToolTip();
  if (IsA(pControl, L"Container") && IsA(pControl->GetParent(), L"List")) {
    std::wstring joined;
    pControl->FindControl(CollectTexts, &joined, UIFIND_VISIBLE);
    return joined;
  }
  return pControl->GetToolTip();
}

LONG CAccessibleUI::RoleOf(CControlUI* pControl) {
  if (!pControl->GetParent()) return ROLE_SYSTEM_CLIENT;
  if (IsA(pControl, L"Button")) return ROLE_SYSTEM_PUSHBUTTON;
  if (IsA(pControl, L"List")) return ROLE_SYSTEM_LIST;
  if (IsA(pControl->GetParent(), L"List")) return ROLE_SYSTEM_LISTITEM;
  if (IsA(pControl, L"GifAnim")) return ROLE_SYSTEM_ANIMATION;
  if (IsA(pControl, L"Container")) return ROLE_SYSTEM_GROUPING;
  if (!pControl->GetText().empty()) return ROLE_SYSTEM_STATICTEXT;
  if (!pControl->GetBkImage().IsEmpty()) return ROLE_SYSTEM_GRAPHIC;
  return ROLE_SYSTEM_SEPARATOR;
}

LONG CAccessibleUI::StateOf(CControlUI* pControl) {
  LONG state = 0;
  if (!pControl->IsShownInTree()) state |= STATE_SYSTEM_INVISIBLE;
  bool enabled = true;
  for (CControlUI* c = pControl; c; c = c->GetParent()) enabled = enabled && c->IsEnabled();
  if (!enabled) state |= STATE_SYSTEM_UNAVAILABLE;
  if (pControl->IsFocusable() && enabled) state |= STATE_SYSTEM_FOCUSABLE;
  if (pControl->IsFocused()) state |= STATE_SYSTEM_FOCUSED;
  if (auto* button = static_cast<CButtonUI*>(pControl->GetInterface(L"Button"))) {
    if (button->IsPushed()) state |= STATE_SYSTEM_PRESSED;
    if (button->IsHot()) state |= STATE_SYSTEM_HOTTRACKED;
  } else if (IsA(pControl, L"Label")) {
    state |= STATE_SYSTEM_READONLY;
  }
  return state;
}

void CAccessibleUI::NotifyEvent(CControlUI* pControl, DWORD event) {
  if (!pControl || !pControl->GetManager() || !pControl->GetManager()->GetPaintWindow()) return;
  ::NotifyWinEvent(event, pControl->GetManager()->GetPaintWindow(), OBJID_CLIENT,
                   pControl->GetAccessible()->GetUniqueId());
}

std::vector<CControlUI*> CAccessibleUI::VisibleChildren(CControlUI* pControl) {
  std::vector<CControlUI*> children;
  auto* container = static_cast<CContainerUI*>(pControl->GetInterface(L"Container"));
  if (!container) return children;
  for (int i = 0; i < container->GetCount(); ++i) {
    CControlUI* child = container->GetItemAt(i);
    if (child->IsVisible()) children.push_back(child);
  }
  return children;
}

CControlUI* CAccessibleUI::Target(const VARIANT& varChild) const {
  if (!m_pControl || varChild.vt != VT_I4) return nullptr;
  LONG id = varChild.lVal;
  if (id == CHILDID_SELF) return m_pControl;
  std::vector<CControlUI*> children = VisibleChildren(m_pControl);
  if (id > 0 && id <= static_cast<LONG>(children.size())) return children[id - 1];
  UniqueIdSearch search = {id};
  CControlUI* found = m_pControl->FindControl(UniqueIdSearch::Visit, &search, UIFIND_ALL);
  return found != m_pControl ? found : nullptr;
}

void CAccessibleUI::SetDispatch(VARIANT* pvar, CControlUI* pControl) {
  pvar->vt = VT_DISPATCH;
  pvar->pdispVal = pControl->GetAccessible();
  pvar->pdispVal->AddRef();
}

HRESULT CAccessibleUI::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
    *ppv = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CAccessibleUI::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_cRef)); }

ULONG CAccessibleUI::Release() {
  LONG count = ::InterlockedDecrement(&m_cRef);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT CAccessibleUI::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}
HRESULT CAccessibleUI::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT CAccessibleUI::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT CAccessibleUI::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

HRESULT CAccessibleUI::get_accParent(IDispatch** ppdispParent) {
  return OnUiThread([&]() -> HRESULT {
    if (!ppdispParent) return E_POINTER;
    *ppdispParent = nullptr;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    if (CControlUI* parent = m_pControl->GetParent()) {
      *ppdispParent = parent->GetAccessible();
      (*ppdispParent)->AddRef();
      return S_OK;
    }
    // The tree's root hangs under the window's own object.
    CPaintManagerUI* manager = m_pControl->GetManager();
    if (!manager || !manager->GetPaintWindow()) return S_FALSE;
    return ::CreateStdAccessibleObject(manager->GetPaintWindow(), OBJID_WINDOW, IID_IDispatch,
                                       reinterpret_cast<void**>(ppdispParent));
  });
}

HRESULT CAccessibleUI::get_accChildCount(long* pcountChildren) {
  return OnUiThread([&]() -> HRESULT {
    if (!pcountChildren) return E_POINTER;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    *pcountChildren = static_cast<long>(VisibleChildren(m_pControl).size());
    return S_OK;
  });
}

HRESULT CAccessibleUI::get_accChild(VARIANT varChild, IDispatch** ppdispChild) {
  return OnUiThread([&]() -> HRESULT {
    if (!ppdispChild) return E_POINTER;
    *ppdispChild = nullptr;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target || target == m_pControl) return E_INVALIDARG;
    *ppdispChild = target->GetAccessible();
    (*ppdispChild)->AddRef();
    return S_OK;
  });
}

HRESULT CAccessibleUI::get_accName(VARIANT varChild, BSTR* pszName) {
  return OnUiThread([&]() -> HRESULT {
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target) return E_INVALIDARG;
    return ReturnText(NameOf(target), pszName);
  });
}

HRESULT CAccessibleUI::get_accValue(VARIANT, BSTR* pszValue) {
  return OnUiThread([&]() -> HRESULT {
    if (pszValue) *pszValue = nullptr;
    return m_pControl ? S_FALSE : RPC_E_DISCONNECTED;
  });
}

HRESULT CAccessibleUI::get_accDescription(VARIANT varChild, BSTR* pszDescription) {
  return OnUiThread([&]() -> HRESULT {
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target) return E_INVALIDARG;
    // The tooltip adds to a name that came from the text.
    std::wstring tip = target->GetToolTip();
    return ReturnText(tip == NameOf(target) ? std::wstring() : tip, pszDescription);
  });
}

HRESULT CAccessibleUI::get_accRole(VARIANT varChild, VARIANT* pvarRole) {
  return OnUiThread([&]() -> HRESULT {
    if (!pvarRole) return E_POINTER;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target) return E_INVALIDARG;
    pvarRole->vt = VT_I4;
    pvarRole->lVal = RoleOf(target);
    return S_OK;
  });
}

HRESULT CAccessibleUI::get_accState(VARIANT varChild, VARIANT* pvarState) {
  return OnUiThread([&]() -> HRESULT {
    if (!pvarState) return E_POINTER;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target) return E_INVALIDARG;
    pvarState->vt = VT_I4;
    pvarState->lVal = StateOf(target);
    return S_OK;
  });
}

HRESULT CAccessibleUI::get_accHelp(VARIANT, BSTR* pszHelp) {
  return OnUiThread([&]() -> HRESULT {
    if (pszHelp) *pszHelp = nullptr;
    return m_pControl ? S_FALSE : RPC_E_DISCONNECTED;
  });
}

HRESULT CAccessibleUI::get_accHelpTopic(BSTR* pszHelpFile, VARIANT, long* pidTopic) {
  return OnUiThread([&]() -> HRESULT {
    if (pszHelpFile) *pszHelpFile = nullptr;
    if (pidTopic) *pidTopic = 0;
    return m_pControl ? S_FALSE : RPC_E_DISCONNECTED;
  });
}

HRESULT CAccessibleUI::get_accKeyboardShortcut(VARIANT, BSTR* pszKeyboardShortcut) {
  return OnUiThread([&]() -> HRESULT {
    if (pszKeyboardShortcut) *pszKeyboardShortcut = nullptr;
    return m_pControl ? S_FALSE : RPC_E_DISCONNECTED;
  });
}

HRESULT CAccessibleUI::get_accFocus(VARIANT* pvarChild) {
  return OnUiThread([&]() -> HRESULT {
    if (!pvarChild) return E_POINTER;
    pvarChild->vt = VT_EMPTY;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CPaintManagerUI* manager = m_pControl->GetManager();
    CControlUI* focus = manager ? manager->GetFocus() : nullptr;
    for (CControlUI* c = focus; c; c = c->GetParent()) {
      if (c != m_pControl) continue;
      if (focus == m_pControl) {
        pvarChild->vt = VT_I4;
        pvarChild->lVal = CHILDID_SELF;
      } else {
        SetDispatch(pvarChild, focus);
      }
      return S_OK;
    }
    return S_FALSE;
  });
}

HRESULT CAccessibleUI::get_accSelection(VARIANT* pvarChildren) {
  return OnUiThread([&]() -> HRESULT {
    if (!pvarChildren) return E_POINTER;
    pvarChildren->vt = VT_EMPTY;
    return m_pControl ? S_FALSE : RPC_E_DISCONNECTED;
  });
}

HRESULT CAccessibleUI::get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) {
  return OnUiThread([&]() -> HRESULT {
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target) return E_INVALIDARG;
    return ReturnText(IsA(target, L"Button") ? L"press" : L"", pszDefaultAction);
  });
}

HRESULT CAccessibleUI::accSelect(long flagsSelect, VARIANT varChild) {
  return OnUiThread([&]() -> HRESULT {
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target) return E_INVALIDARG;
    if (!(flagsSelect & SELFLAG_TAKEFOCUS) || !target->IsFocusable()) return S_FALSE;
    target->SetFocus();
    return target->IsFocused() ? S_OK : S_FALSE;
  });
}

HRESULT CAccessibleUI::accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight, VARIANT varChild) {
  return OnUiThread([&]() -> HRESULT {
    if (!pxLeft || !pyTop || !pcxWidth || !pcyHeight) return E_POINTER;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target) return E_INVALIDARG;
    RECT rc = target->GetPos();
    if (target->GetManager()) rc = target->GetManager()->LayoutToClient(rc);
    POINT origin = {rc.left, rc.top};
    if (target->GetManager() && target->GetManager()->GetPaintWindow())
      ::ClientToScreen(target->GetManager()->GetPaintWindow(), &origin);
    *pxLeft = origin.x;
    *pyTop = origin.y;
    *pcxWidth = rc.right - rc.left;
    *pcyHeight = rc.bottom - rc.top;
    return S_OK;
  });
}

HRESULT CAccessibleUI::accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) {
  return OnUiThread([&]() -> HRESULT {
    if (!pvarEndUpAt) return E_POINTER;
    pvarEndUpAt->vt = VT_EMPTY;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* start = Target(varStart);
    if (!start) return E_INVALIDARG;
    CControlUI* result = nullptr;
    if (navDir == NAVDIR_FIRSTCHILD || navDir == NAVDIR_LASTCHILD) {
      std::vector<CControlUI*> children = VisibleChildren(start);
      if (!children.empty()) result = navDir == NAVDIR_FIRSTCHILD ? children.front() : children.back();
    } else if (start->GetParent()) {
      std::vector<CControlUI*> siblings = VisibleChildren(start->GetParent());
      for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i] != start) continue;
        bool forward = navDir == NAVDIR_NEXT || navDir == NAVDIR_DOWN || navDir == NAVDIR_RIGHT;
        bool backward = navDir == NAVDIR_PREVIOUS || navDir == NAVDIR_UP || navDir == NAVDIR_LEFT;
        if (forward && i + 1 < siblings.size()) result = siblings[i + 1];
        if (backward && i > 0) result = siblings[i - 1];
      }
    }
    if (!result) return S_FALSE;
    SetDispatch(pvarEndUpAt, result);
    return S_OK;
  });
}

HRESULT CAccessibleUI::accHitTest(long xLeft, long yTop, VARIANT* pvarChild) {
  return OnUiThread([&]() -> HRESULT {
    if (!pvarChild) return E_POINTER;
    pvarChild->vt = VT_EMPTY;
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CPaintManagerUI* manager = m_pControl->GetManager();
    if (!manager || !manager->GetPaintWindow()) return S_FALSE;
    POINT pt = {xLeft, yTop};
    ::ScreenToClient(manager->GetPaintWindow(), &pt);
    CControlUI* hit = manager->FindControl(manager->ClientToLayout(pt));
    // Buttons are leaves: a label inside one answers as the button.
    for (CControlUI* c = hit; c; c = c->GetParent())
      if (IsA(c, L"Button")) hit = c;
    bool inside = false;
    for (CControlUI* c = hit; c; c = c->GetParent()) inside = inside || c == m_pControl;
    if (!inside) return S_FALSE;
    if (hit == m_pControl) {
      pvarChild->vt = VT_I4;
      pvarChild->lVal = CHILDID_SELF;
    } else {
      SetDispatch(pvarChild, hit);
    }
    return S_OK;
  });
}

HRESULT CAccessibleUI::accDoDefaultAction(VARIANT varChild) {
  return OnUiThread([&]() -> HRESULT {
    if (!m_pControl) return RPC_E_DISCONNECTED;
    CControlUI* target = Target(varChild);
    if (!target) return E_INVALIDARG;
    if (!IsA(target, L"Button")) return DISP_E_MEMBERNOTFOUND;
    target->Activate();
    return S_OK;
  });
}

HRESULT CAccessibleUI::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT CAccessibleUI::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }
