#include "sysinfo/wmi_info.h"

#include <windows.h>
#include <wbemidl.h>

#include <chrono>
#include <cstdio>

#include "corekit/log.h"
#include "sysinfo/wmi_variant.h"

CWmiInfo theWmiInfo;

namespace {

// The pause before the first instance and after each one.
constexpr DWORD kInstancePauseMs = 10;
// One fetch waits at most this long, so that a query notices shutdown.
constexpr long kFetchSliceMs = 500;
// A provider that gives no next instance for this long has stalled.
constexpr ULONGLONG kInstanceLimitMs = 30000;
// How long shutdown waits for a running query to let go of the connection.
constexpr auto kShutdownWait = std::chrono::milliseconds(3000);

std::string PointerText(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pointer)));
  return text;
}

// A BSTR that frees itself.
class OwnedBstr {
 public:
  explicit OwnedBstr(const std::wstring& text) : m_bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~OwnedBstr() { SysFreeString(m_bstr); }
  OwnedBstr(const OwnedBstr&) = delete;
  OwnedBstr& operator=(const OwnedBstr&) = delete;
  BSTR get() const { return m_bstr; }

 private:
  BSTR m_bstr;
};

template <typename T>
void ReleaseAndClear(T*& pointer) {
  if (pointer) pointer->Release();
  pointer = nullptr;
}

}  // namespace

long CWmiInfo::InitWmi() {
  std::lock_guard<std::timed_mutex> lock(m_mutex);
  if (m_pWbemSvc) return S_OK;  // already connected; UninitWmi comes first
  m_bClosing = false;
  HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) return hr;
  // Only a successful call is balanced by CoUninitialize.
  m_bComInitialized = SUCCEEDED(hr);

  CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                       EOAC_NONE, nullptr);
  LOG_METHOD(LOG_LEVEL_INFO, "CoInitializeSecurity");

  hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                        reinterpret_cast<void**>(&m_pWbemLoc));
  LOG_METHOD(LOG_LEVEL_INFO, "CoCreateInstance CLSID_WbemLocator HR = " << static_cast<long>(hr));
  if (FAILED(hr)) {
    m_pWbemLoc = nullptr;
    ReleaseAll();
    return hr;
  }

  OwnedBstr resource(L"ROOT\\CIMV2");
  hr = m_pWbemLoc->ConnectServer(resource.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, &m_pWbemSvc);
  LOG_METHOD(LOG_LEVEL_INFO, "ConnectServer HR = " << static_cast<long>(hr));
  if (FAILED(hr)) {
    m_pWbemSvc = nullptr;
    ReleaseAll();
    return hr;
  }

  hr = CoSetProxyBlanket(m_pWbemSvc, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  LOG_METHOD(LOG_LEVEL_INFO, "CoSetProxyBlanket HR = " << static_cast<long>(hr));
  return hr;
}

bool CWmiInfo::GetMutilpleItemInfo(std::wstring className, const std::vector<std::wstring>& propertyNames,
                                   WmiInstanceMap& out) {
  std::lock_guard<std::timed_mutex> lock(m_mutex);
  LOG_METHOD(LOG_LEVEL_INFO, "CWmiInfo::GetMutilpleItemInfo m_pWbemSvc = " << PointerText(m_pWbemSvc));
  if (!m_pWbemSvc) return false;

  OwnedBstr language(L"WQL");
  OwnedBstr query(L"SELECT * FROM " + className);
  if (!language.get() || !query.get()) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CWmiInfo::GetMutilpleItemInfo out of memory for the query text");
    return false;
  }
  const HRESULT hr = m_pWbemSvc->ExecQuery(language.get(), query.get(),
                                           WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                           &m_pEnumClsObj);
  if (FAILED(hr) || !m_pEnumClsObj) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CWmiInfo::GetMutilpleItemInfo ExecQuery HR = " << static_cast<long>(hr));
    m_pEnumClsObj = nullptr;
    return false;
  }

  int instance = 0;
  bool ran = true;
  Sleep(kInstancePauseMs);
  ULONGLONG waitingSince = GetTickCount64();
  for (;;) {
    if (m_bClosing) {
      LOG_METHOD(LOG_LEVEL_ERROR, "CWmiInfo::GetMutilpleItemInfo shutdown, query of " << className << " ended");
      ran = instance > 0;
      break;
    }
    ULONG returned = 0;
    const HRESULT next = m_pEnumClsObj->Next(kFetchSliceMs, 1, &m_pClsObj, &returned);
    if (next == WBEM_S_TIMEDOUT && returned == 0) {
      if (GetTickCount64() - waitingSince < kInstanceLimitMs) continue;
      LOG_METHOD(LOG_LEVEL_ERROR, "CWmiInfo::GetMutilpleItemInfo no answer for " << className << ", query ended");
      ran = instance > 0;
      break;
    }
    if (FAILED(next) || returned != 1 || !m_pClsObj) {
      // A query that returns at once reports an unknown class or a bad
      // query here, on the first fetch: it could not run after all. A
      // failure after some instances keeps what was read.
      if (FAILED(next) && instance == 0) {
        LOG_METHOD(LOG_LEVEL_ERROR, "CWmiInfo::GetMutilpleItemInfo Next HR = " << static_cast<long>(next));
        ran = false;
      }
      break;
    }
    std::vector<std::wstring> values;
    ReadInstance(className, propertyNames, values);
    out[instance++] = std::move(values);
    ReleaseAndClear(m_pClsObj);
    Sleep(kInstancePauseMs);
    waitingSince = GetTickCount64();
  }
  ReleaseAndClear(m_pClsObj);
  ReleaseAndClear(m_pEnumClsObj);
  return ran;
}

void CWmiInfo::ReadInstance(const std::wstring& className, const std::vector<std::wstring>& propertyNames,
                            std::vector<std::wstring>& values) {
  std::wstring logText = className;
  values.reserve(propertyNames.size());
  for (const std::wstring& name : propertyNames) {
    std::wstring text;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(m_pClsObj->Get(name.c_str(), 0, &value, nullptr, nullptr))) {
      text = sysinfo::WmiVariantToText(value);
      VariantClear(&value);
    }
    logText += L"\n";
    logText += text;
    values.push_back(std::move(text));
  }
  LOG_METHOD_TAG(LOG_LEVEL_INFO, "CWmiInfo::GetMutilpleItemInfo", "CWmiInfo::GetMutilpleItemInfo " << logText);
}

void CWmiInfo::UninitWmi() {
  m_bClosing = true;
  std::unique_lock<std::timed_mutex> lock(m_mutex, kShutdownWait);
  if (!lock.owns_lock()) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CWmiInfo::UninitWmi a query does not end, connection left to the exit");
    return;
  }
  ReleaseAll();
}

void CWmiInfo::ReleaseAll() {
  ReleaseAndClear(m_pWbemSvc);
  ReleaseAndClear(m_pWbemLoc);
  ReleaseAndClear(m_pEnumClsObj);
  if (m_bComInitialized) CoUninitialize();
  m_bComInitialized = false;
}
