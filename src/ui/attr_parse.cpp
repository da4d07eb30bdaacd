#include "ui/attr_parse.h"

#include <cwctype>
#include <vector>

namespace ui {
namespace {

std::wstring Trim(const std::wstring& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && iswspace(text[begin])) ++begin;
  while (end > begin && iswspace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool ParseHex(const std::wstring& digits, uint32_t& value) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t result = 0;
  for (wchar_t c : digits) {
    int nibble;
    if (c >= L'0' && c <= L'9') nibble = c - L'0';
    else if (c >= L'a' && c <= L'f') nibble = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') nibble = c - L'A' + 10;
    else return false;
    result = (result << 4) | static_cast<uint32_t>(nibble);
  }
  value = result;
  return true;
}

bool ParseIntList(const std::wstring& text, std::vector<int>& values, size_t count) {
  values.clear();
  size_t start = 0;
  while (true) {
    size_t comma = text.find(L',', start);
    int value;
    if (!ParseInt(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start), value))
      return false;
    values.push_back(value);
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  return values.size() == count;
}

}  // namespace

bool ParseInt(const std::wstring& text, int& value) {
  std::wstring t = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == L'-' || t[i] == L'+')) negative = t[i++] == L'-';
  if (i == t.size()) return false;
  long long result = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < L'0' || t[i] > L'9') return false;
    result = result * 10 + (t[i] - L'0');
    if (result > 1000000000LL) return false;  // far beyond any pixel size
  }
  value = static_cast<int>(negative ? -result : result);
  return true;
}

bool ParseColor(const std::wstring& text, uint32_t& argb) {
  std::wstring t = Trim(text);
  std::wstring digits;
  if (!t.empty() && t[0] == L'#') digits = t.substr(1);
  else if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) digits = t.substr(2);
  else return false;
  uint32_t value;
  if (digits.size() == 6 && ParseHex(digits, value)) {
    argb = 0xFF000000u | value;
    return true;
  }
  if (digits.size() == 8 && ParseHex(digits, value)) {
    argb = value;
    return true;
  }
  return false;
}

bool ParseEdges(const std::wstring& text, Edges& out) {
  std::vector<int> v;
  if (!ParseIntList(text, v, 4)) return false;
  out = Edges{v[0], v[1], v[2], v[3]};
  return true;
}

bool ParsePair(const std::wstring& text, int& a, int& b) {
  std::vector<int> v;
  if (!ParseIntList(text, v, 2)) return false;
  a = v[0];
  b = v[1];
  return true;
}

bool ParseBool(const std::wstring& text, bool& value) {
  std::wstring t = Trim(text);
  if (t == L"true" || t == L"1") value = true;
  else if (t == L"false" || t == L"0") value = false;
  else return false;
  return true;
}

bool ParseImageDesc(const std::wstring& text, ImageDesc& out) {
  std::wstring t = Trim(text);
  if (t.find(L'=') == std::wstring::npos) {
    if (t.find(L'\'') != std::wstring::npos) return false;
    out = ImageDesc{};
    out.file = t;
    return true;
  }
  ImageDesc desc;
  size_t pos = 0;
  while (pos < t.size()) {
    while (pos < t.size() && iswspace(t[pos])) ++pos;
    if (pos == t.size()) break;
    size_t eq = t.find(L'=', pos);
    if (eq == std::wstring::npos || eq + 1 >= t.size() || t[eq + 1] != L'\'') return false;
    size_t close = t.find(L'\'', eq + 2);
    if (close == std::wstring::npos) return false;
    std::wstring key = Trim(t.substr(pos, eq - pos));
    std::wstring value = t.substr(eq + 2, close - eq - 2);
    if (key == L"file") {
      desc.file = value;
    } else if (key == L"source") {
      if (!ParseEdges(value, desc.source)) return false;
      desc.hasSource = true;
    } else if (key == L"corner") {
      if (!ParseEdges(value, desc.corner)) return false;
    }
    pos = close + 1;
  }
  if (desc.file.empty()) return false;
  out = desc;
  return true;
}

bool ParseTextKey(const std::wstring& text, std::string& key) {
  if (text.size() < 4 || text.compare(0, 2, L"%{") != 0 || text.back() != L'}') return false;
  key.clear();
  for (size_t i = 2; i + 1 < text.size(); ++i) {
    wchar_t c = text[i];
    if (c > 0x7E || c < 0x21 || c == L'}') return false;  // keys are plain ASCII
    key.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace ui
