// One WMI property value (a VARIANT) as the text a WmiInstanceMap holds.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace sysinfo {

// Whole numbers in decimal, strings up to their first null, booleans as
// the two words of wmi_text.h, the first element of a string array, integer
// arrays as hexadecimal groups; every other type gives an empty text.
std::wstring WmiVariantToText(const VARIANT& value);

}  // namespace sysinfo
