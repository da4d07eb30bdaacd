#include "stalled_wmi.h"

namespace {
constexpr DWORD kLongestHoldMs = 10000;
}

StalledWmi::StalledWmi() : m_released(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (FAILED(CoRegisterClassObject(CLSID_WbemLocator, static_cast<IClassFactory*>(this), CLSCTX_INPROC_SERVER,
                                   REGCLS_MULTIPLEUSE, &m_cookie))) {
    m_cookie = 0;
  }
}

StalledWmi::~StalledWmi() {
  if (m_cookie) CoRevokeClassObject(m_cookie);
  CloseHandle(m_released);
}

STDMETHODIMP StalledWmi::QueryInterface(REFIID riid, void** object) {
  if (riid == IID_IUnknown || riid == IID_IClassFactory) *object = static_cast<IClassFactory*>(this);
  else if (riid == IID_IWbemLocator) *object = static_cast<IWbemLocator*>(this);
  else if (riid == IID_IWbemServices) *object = static_cast<IWbemServices*>(this);
  else if (riid == IID_IEnumWbemClassObject) *object = static_cast<IEnumWbemClassObject*>(this);
  else *object = nullptr;
  return *object ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP StalledWmi::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (failCreate) return E_FAIL;
  return QueryInterface(riid, object);
}

STDMETHODIMP StalledWmi::ConnectServer(const BSTR, const BSTR, const BSTR, const BSTR, LONG, const BSTR,
                                       IWbemContext*, IWbemServices** services) {
  *services = nullptr;
  if (failConnect) return WBEM_E_INVALID_NAMESPACE;
  *services = static_cast<IWbemServices*>(this);
  return S_OK;
}

STDMETHODIMP StalledWmi::ExecQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject** found) {
  *found = static_cast<IEnumWbemClassObject*>(this);
  return S_OK;
}

STDMETHODIMP StalledWmi::Next(LONG timeout, ULONG, IWbemClassObject** objects, ULONG* returned) {
  ++fetches;
  *objects = nullptr;
  *returned = 0;
  if (!stallQueries) return WBEM_S_FALSE;
  const bool bounded = timeout != static_cast<LONG>(WBEM_INFINITE);
  const DWORD hold = bounded && static_cast<DWORD>(timeout) < kLongestHoldMs ? static_cast<DWORD>(timeout)
                                                                              : kLongestHoldMs;
  if (WaitForSingleObject(m_released, hold) == WAIT_OBJECT_0 || !bounded) return WBEM_S_FALSE;
  return WBEM_S_TIMEDOUT;
}
