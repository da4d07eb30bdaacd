#include "skinkit/text_format.h"

#include <cstdio>

namespace skinkit {
namespace {

// One parsed conversion.
struct Spec {
  std::string flags;
  int width = -1;
  int precision = -1;
  bool longModifier = false;
  wchar_t conversion = 0;
  char kind = 0;  // 'd', 'f', 's', or 0 when not allowed
  size_t length = 0;  // characters of the format it spans, '%' included
};

// Parses the conversion starting at format[pos] == '%'.
Spec ParseSpec(const std::wstring& format, size_t pos) {
  Spec spec;
  size_t i = pos + 1;
  while (i < format.size() && std::wstring(L"-+ 0#").find(format[i]) != std::wstring::npos) {
    spec.flags += static_cast<char>(format[i++]);
  }
  auto number = [&](int& out) {
    if (i < format.size() && format[i] >= L'0' && format[i] <= L'9') {
      out = 0;
      while (i < format.size() && format[i] >= L'0' && format[i] <= L'9') {
        if (out < 1000) out = out * 10 + (format[i] - L'0');
        ++i;
      }
    }
  };
  number(spec.width);
  if (i < format.size() && format[i] == L'.') {
    ++i;
    spec.precision = 0;
    number(spec.precision);
  }
  if (i < format.size() && format[i] == L'l') {
    spec.longModifier = true;
    ++i;
  }
  if (i < format.size()) spec.conversion = format[i++];
  spec.length = i - pos;
  switch (spec.conversion) {
    case L'd':
    case L'i': spec.kind = spec.longModifier ? 0 : 'd'; break;
    case L'f':
    case L'F':
    case L'e':
    case L'E':
    case L'g':
    case L'G': spec.kind = spec.longModifier ? 0 : 'f'; break;
    case L's': spec.kind = spec.longModifier ? 's' : 0; break;
    default: spec.kind = 0;
  }
  return spec;
}

std::string NarrowSpec(const Spec& spec, const char* conversion) {
  std::string out = "%" + spec.flags;
  if (spec.width >= 0) out += std::to_string(spec.width);
  if (spec.precision >= 0) out += "." + std::to_string(spec.precision);
  return out + conversion;
}

std::wstring Widen(const char* text) {
  std::wstring out;
  for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return out;
}

std::wstring FormatOne(const Spec& spec, const FormatArg& arg) {
  char buffer[512];
  if (spec.kind == 'd') {
    std::snprintf(buffer, sizeof(buffer), NarrowSpec(spec, "lld").c_str(), arg.integer);
    return Widen(buffer);
  }
  if (spec.kind == 'f') {
    const std::string conv(1, static_cast<char>(spec.conversion));
    std::snprintf(buffer, sizeof(buffer), NarrowSpec(spec, conv.c_str()).c_str(), arg.real);
    return Widen(buffer);
  }
  std::wstring text = arg.text;
  if (spec.precision >= 0 && text.size() > static_cast<size_t>(spec.precision)) text.resize(spec.precision);
  if (spec.width > 0 && text.size() < static_cast<size_t>(spec.width)) {
    const std::wstring pad(spec.width - text.size(), L' ');
    text = spec.flags.find('-') != std::string::npos ? text + pad : pad + text;
  }
  return text;
}

}  // namespace

std::wstring FormatPrintf(const std::wstring& format, const std::vector<FormatArg>& args, bool* ok) {
  std::wstring out;
  bool good = true;
  size_t next = 0;
  for (size_t i = 0; i < format.size();) {
    if (format[i] != L'%') {
      out += format[i++];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      out += L'%';
      i += 2;
      continue;
    }
    const Spec spec = ParseSpec(format, i);
    i += spec.length;
    if (spec.kind == 0 || next >= args.size() || args[next].kind != spec.kind) {
      good = false;
      ++next;
      continue;
    }
    out += FormatOne(spec, args[next++]);
  }
  if (next < args.size()) good = false;
  if (ok) *ok = good;
  return out;
}

bool FormatSignature(const std::wstring& format, std::string& signature, std::string* error) {
  signature.clear();
  for (size_t i = 0; i < format.size();) {
    if (format[i] != L'%') {
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      i += 2;
      continue;
    }
    const Spec spec = ParseSpec(format, i);
    if (spec.kind == 0) {
      if (error) {
        *error = "conversion at character " + std::to_string(i) +
                 (spec.conversion == L's' ? " is a bare %s; wide strings take %ls" : " is not one of %d %f %ls");
      }
      return false;
    }
    signature += spec.kind;
    i += spec.length;
  }
  return true;
}

}  // namespace skinkit
