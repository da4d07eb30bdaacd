#include "probes/local/device_enum.h"

#include <dshow.h>

namespace {

std::wstring DisplayNameOf(IMoniker* moniker) {
  std::wstring name;
  LPOLESTR text = nullptr;
  if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &text)) && text) name = text;
  CoTaskMemFree(text);
  return name;
}

std::wstring FriendlyNameOf(IMoniker* moniker) {
  std::wstring name;
  IPropertyBag* bag = nullptr;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag))) || !bag) {
    return name;
  }
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_BSTR;
  if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && V_VT(&value) == VT_BSTR && V_BSTR(&value)) {
    name = V_BSTR(&value);
  }
  VariantClear(&value);
  bag->Release();
  return name;
}

HRESULT EnumerateWithCom(REFCLSID category, std::vector<DeviceEntry>& list) {
  ICreateDevEnum* deviceEnum = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&deviceEnum));
  if (FAILED(hr) || !deviceEnum) return FAILED(hr) ? hr : E_POINTER;

  IEnumMoniker* monikers = nullptr;
  hr = deviceEnum->CreateClassEnumerator(category, &monikers, 0);
  if (hr == S_OK && monikers) {
    int index = 0;
    IMoniker* moniker = nullptr;
    while ((hr = monikers->Next(1, &moniker, nullptr)) == S_OK && moniker) {
      DeviceEntry entry;
      entry.nIndex = index++;
      entry.strDisplayName = DisplayNameOf(moniker);
      entry.strFriendlyName = FriendlyNameOf(moniker);
      moniker->Release();
      moniker = nullptr;
      AppendListedDevice(list, std::move(entry));
    }
  }
  if (monikers) monikers->Release();
  deviceEnum->Release();
  return hr;
}

}  // namespace

HRESULT EnumDeviceCategory(REFCLSID category, std::vector<DeviceEntry>& list) {
  const HRESULT init = CoInitialize(nullptr);
  if (init != S_OK) {
    // S_FALSE still counts as an initialisation and must be balanced.
    if (init == S_FALSE) CoUninitialize();
    return init;
  }
  const HRESULT hr = EnumerateWithCom(category, list);
  CoUninitialize();
  return hr;
}
