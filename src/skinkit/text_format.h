// printf-style formatting of the localised format texts, done safely: every
// conversion is checked against the kind of the argument it consumes, so a
// text that asks for other arguments than the code passes cannot read
// garbage or crash.
//
// The conversions understood are the printf ones the texts need:
//   %d %i             an integer
//   %f %F %e %E %g %G a floating-point number
//   %ls               a wide string (what mingw's and the ISO printf family
//                     both read as wchar_t*; a bare %s would be read as a
//                     narrow string there, so it is refused)
//   %%                a percent sign
// with flags "-+ 0#", a width and a precision (no "*").
#pragma once

#include <string>
#include <vector>

namespace skinkit {

struct FormatArg {
  enum Kind { kInt = 'd', kDouble = 'f', kText = 's' };

  FormatArg(int value) : kind(kInt), integer(value) {}
  FormatArg(double value) : kind(kDouble), real(value) {}
  FormatArg(const wchar_t* value) : kind(kText), text(value ? value : L"") {}
  FormatArg(std::wstring value) : kind(kText), text(std::move(value)) {}

  Kind kind;
  long long integer = 0;
  double real = 0;
  std::wstring text;
};

// Formats `format` with `args`. A conversion that does not fit its argument,
// or has none, is left out and makes `ok` false; so are surplus arguments.
std::wstring FormatPrintf(const std::wstring& format, const std::vector<FormatArg>& args, bool* ok = nullptr);

// The kinds of argument `format` consumes, in order, as letters 'd', 'f' and
// 's'. False (with a reason) when it holds a conversion outside the set above.
bool FormatSignature(const std::wstring& format, std::string& signature, std::string* error = nullptr);

}  // namespace skinkit
