#include "probes/net/net_adapter_handler.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netlistmgr.h>

#include <memory>
#include <new>

#include "corekit/log.h"
#include "corekit/system_dll.h"
#include "corekit/textconv.h"
#include "sysinfo/wmi_info.h"

namespace {

// sensapi has no import library for every target; it is loaded by its full
// path in the system folder, never from the program's.
bool QueryNetworkAlive(bool& alive, DWORD& lastError) {
  HMODULE sensapi = corekit::LoadSystemDll(L"sensapi.dll");
  if (!sensapi) return false;
  using IsNetworkAliveFn = BOOL(WINAPI*)(LPDWORD);
  auto isNetworkAlive =
      reinterpret_cast<IsNetworkAliveFn>(reinterpret_cast<void*>(GetProcAddress(sensapi, "IsNetworkAlive")));
  bool called = false;
  if (isNetworkAlive) {
    DWORD flags = 0;
    SetLastError(0);  // the call reports a SENS problem only through the error code
    alive = isNetworkAlive(&flags) != FALSE;
    lastError = GetLastError();
    called = true;
  }
  FreeLibrary(sensapi);
  return called;
}

std::wstring TextOf(const char* text, size_t capacity) {
  return corekit::AcpToWide(std::string(text, strnlen(text, capacity)));
}

}  // namespace

int CNetAdapterHandler::DoDetect() {
  LOG_METHOD(LOG_LEVEL_INFO, "CNetAdapterHandler::DoDetect");
  if (GetAdapterInfoEx() == 0) GetAdapterInfo();
  TestNetConnect();
  return 1;
}

int CNetAdapterHandler::GetAdapterInfoEx() {
  WmiInstanceMap answer;
  if (!theWmiInfo.GetMutilpleItemInfo(kNetworkAdapterClass, NetworkAdapterProperties(), answer)) {
    LOG_METHOD(LOG_LEVEL_ERROR, "CNetAdapterHandler::GetAdapterInfoEx GetMutilpleItemInfo failed");
    return 0;
  }
  const std::wstring logText = AppendWmiAdapters(answer, *this);
  LOG_METHOD(LOG_LEVEL_INFO, "CNetAdapterHandler::GetAdapterInfoEx " << logText);
  return m_adapters.empty() ? 0 : 1;
}

int CNetAdapterHandler::GetAdapterInfo() {
  ULONG size = sizeof(IP_ADAPTER_INFO);
  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size]);
  if (!buffer) return 0;
  DWORD result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get()), &size);
  if (result == ERROR_BUFFER_OVERFLOW) {
    buffer.reset(new (std::nothrow) unsigned char[size]);
    if (!buffer) return 0;
    result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get()), &size);
  }
  if (result != NO_ERROR) {
    LOG_METHOD(LOG_LEVEL_ERROR, "GetAdaptersInfo err = " << static_cast<unsigned long>(result));
    return m_adapters.empty() ? 0 : 1;
  }
  for (const IP_ADAPTER_INFO* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get()); adapter;
       adapter = adapter->Next) {
    AdapterInfo info;
    if (adapter->Type == MIB_IF_TYPE_ETHERNET) {
      info.strAdapterName = TextOf(adapter->AdapterName, sizeof(adapter->AdapterName));
      info.strDescription = TextOf(adapter->Description, sizeof(adapter->Description));
      const size_t length = adapter->AddressLength < sizeof(adapter->Address) ? adapter->AddressLength
                                                                                : sizeof(adapter->Address);
      info.strMac = FormatMacAddress(adapter->Address, length);
    }
    m_adapters.push_back(std::move(info));
  }
  return m_adapters.empty() ? 0 : 1;
}

int CNetAdapterHandler::TestNetConnect() {
  LOG_METHOD(LOG_LEVEL_INFO, "TestNetConnect");
  const HRESULT init = CoInitialize(nullptr);
  INetworkListManager* manager = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkListManager,
                                reinterpret_cast<void**>(&manager));
  bool answered = false;
  if (SUCCEEDED(hr) && manager) {
    LOG_METHOD(LOG_LEVEL_INFO, "TestNetConnect CLSID_NetworkListManager can be used");
    VARIANT_BOOL connected = VARIANT_FALSE;
    hr = manager->IsConnected(&connected);
    if (SUCCEEDED(hr)) {
      m_bNetWorkConnected = connected == VARIANT_TRUE ? 1 : 0;
      answered = true;
    }
    manager->Release();
  }
  LOG_METHOD(LOG_LEVEL_INFO, "TestNetConnect hr = " << static_cast<long>(hr));
  // Only an initialisation that took place is undone.
  if (SUCCEEDED(init)) CoUninitialize();

  if (!answered) {
    bool alive = false;
    DWORD lastError = 0;
    if (QueryNetworkAlive(alive, lastError)) m_bNetWorkConnected = (alive && lastError == 0) ? 1 : 0;
  }
  LOG_METHOD(LOG_LEVEL_INFO, "m_bNetWorkConnected = " << m_bNetWorkConnected);
  return 1;
}
