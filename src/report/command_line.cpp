#include "report/command_line.h"

#include <cwctype>

namespace {

// "/report", "-REPORT" -> "report"; empty for a text that is no switch.
std::wstring SwitchName(const std::wstring& arg) {
  if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-')) return std::wstring();
  std::wstring name;
  for (size_t i = 1; i < arg.size(); ++i) name += static_cast<wchar_t>(std::towlower(arg[i]));
  return name;
}

LaunchRequest Refuse(const std::wstring& error) {
  LaunchRequest request;
  request.mode = LaunchMode::Refused;
  request.strError = error;
  return request;
}

}  // namespace

LaunchRequest ParseLaunchArguments(const std::vector<std::wstring>& args) {
  LaunchRequest request;
  if (args.empty()) return request;
  const std::wstring name = SwitchName(args[0]);
  if (name == L"?" || name == L"h" || name == L"help") {
    if (args.size() > 1) return Refuse(L"unexpected argument after " + args[0] + L": " + args[1]);
    request.mode = LaunchMode::Usage;
    return request;
  }
  if (name == L"report") {
    if (args.size() < 2 || args[1].empty()) return Refuse(L"/report needs the path of the report file");
    if (args.size() > 2) return Refuse(L"unexpected argument after the report path: " + args[2]);
    request.mode = LaunchMode::SilentReport;
    request.strReportPath = args[1];
    return request;
  }
  return Refuse(L"unknown argument: " + args[0]);
}

std::wstring LaunchUsage() {
  return L"Usage: kalto.exe [/report <path> | /?]\r\n"
         L"  (no argument)   open the window; the checks start at a click\r\n"
         L"  /report <path>  run all checks without a window and write the JSON report to <path>\r\n"
         L"  /?              show this text\r\n"
         L"Exit codes of /report: 0 no failure, 1 warnings only, 2 at least one failure,\r\n"
         L"3 could not run (another instance runs, bad arguments, the report cannot be written).\r\n";
}
