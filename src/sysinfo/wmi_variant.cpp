#include "sysinfo/wmi_variant.h"

#include <oleauto.h>

#include <string>

#include "sysinfo/wmi_text.h"

namespace sysinfo {
namespace {

std::wstring StringText(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

// The bounds of a one-dimensional array that has at least one element.
bool ElementBounds(SAFEARRAY* array, LONG& lower, LONG& upper) {
  return array && SafeArrayGetDim(array) == 1 && SUCCEEDED(SafeArrayGetLBound(array, 1, &lower)) &&
         SUCCEEDED(SafeArrayGetUBound(array, 1, &upper)) && upper >= lower;
}

std::wstring FirstStringOf(SAFEARRAY* array) {
  LONG lower = 0;
  LONG upper = -1;
  if (!ElementBounds(array, lower, upper)) return std::wstring();
  BSTR first = nullptr;
  if (FAILED(SafeArrayGetElement(array, &lower, &first))) return std::wstring();
  std::wstring text = StringText(first);
  SysFreeString(first);
  return text;
}

std::wstring HexTextOf(SAFEARRAY* array) {
  LONG lower = 0;
  LONG upper = -1;
  if (!ElementBounds(array, lower, upper)) return std::wstring();
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return std::wstring();
  const size_t count = static_cast<size_t>(static_cast<long long>(upper) - lower + 1);
  std::wstring text = WmiHexArrayText(static_cast<const int32_t*>(data), count);
  SafeArrayUnaccessData(array);
  return text;
}

}  // namespace

std::wstring WmiVariantToText(const VARIANT& value) {
  switch (V_VT(&value)) {
    case VT_I4: return std::to_wstring(V_I4(&value));
    case VT_UI1: return std::to_wstring(V_UI1(&value));
    case VT_UI4: return std::to_wstring(V_UI4(&value));
    case VT_BSTR: return StringText(V_BSTR(&value));
    case VT_BOOL: return WmiBooleanText(V_BOOL(&value) == VARIANT_TRUE);
    case VT_ARRAY | VT_BSTR: return FirstStringOf(V_ARRAY(&value));
    case VT_ARRAY | VT_I4: return HexTextOf(V_ARRAY(&value));
    default: return std::wstring();
  }
}

}  // namespace sysinfo
