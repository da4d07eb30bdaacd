// How WMI values become the texts of a WmiInstanceMap, and how the probes
// read numbers back out of those texts. No Windows header: the variant
// dispatch lives in wmi_variant.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sysinfo {

// The two words a boolean property turns into ("yes" and "no").
extern const wchar_t* const kWmiTrueText;
extern const wchar_t* const kWmiFalseText;

// At most this many entries of an integer array are written out.
constexpr size_t kMaxWmiArrayEntries = 520;

std::wstring WmiBooleanText(bool value);
// Two upper-case hexadecimal digits per entry (its low byte), no separators,
// at most kMaxWmiArrayEntries entries.
std::wstring WmiHexArrayText(const int32_t* entries, size_t count);

// Reads a decimal integer the way the probes read WMI texts: optional
// leading blanks and a sign, then digits up to the first non-digit; 0 when
// there are none. Values beyond the type's range saturate.
long long ParseWmiInteger(const std::wstring& text);
int ParseWmiInt(const std::wstring& text);

}  // namespace sysinfo
