#include "sysinfo/wmi_text.h"

#include <climits>
#include <cwctype>

namespace sysinfo {

// Wide constants, so the words are the same on every system code page.
const wchar_t* const kWmiTrueText = L"\u662F";   // 是
const wchar_t* const kWmiFalseText = L"\u5426";  // 否

std::wstring WmiBooleanText(bool value) { return value ? kWmiTrueText : kWmiFalseText; }

std::wstring WmiHexArrayText(const int32_t* entries, size_t count) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  if (!entries) return text;
  if (count > kMaxWmiArrayEntries) count = kMaxWmiArrayEntries;
  text.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    const unsigned byte = static_cast<uint32_t>(entries[i]) & 0xFFu;
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

long long ParseWmiInteger(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  // Accumulate as a negative number: its range includes LLONG_MIN.
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    const int digit = text[i] - L'0';
    if (value < (LLONG_MIN + digit) / 10) return negative ? LLONG_MIN : LLONG_MAX;
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == LLONG_MIN ? LLONG_MAX : -value;
}

int ParseWmiInt(const std::wstring& text) {
  const long long value = ParseWmiInteger(text);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace sysinfo
