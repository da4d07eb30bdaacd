// Lists the devices of one DirectShow device category (microphones,
// speakers, cameras) through the system device enumerator.
#pragma once

#include <windows.h>

#include <vector>

#include "probes/local/device_list.h"

// Appends the category's devices to `list`, leaving out the default-device
// and DirectSound entries (device_list.h). Initialises COM on the calling
// thread for the duration of the enumeration: a thread that already holds
// a COM initialisation gets nothing. Returns the last COM result obtained
// (S_FALSE after a complete enumeration).
HRESULT EnumDeviceCategory(REFCLSID category, std::vector<DeviceEntry>& list);
