// What the program was asked to do on its command line: nothing (the
// interactive window), "/report <path>" (a silent run writing the JSON
// report), "/?" (the usage). Anything else is refused with a message.
#pragma once

#include <string>
#include <vector>

enum class LaunchMode { Interactive, SilentReport, Usage, Refused };

struct LaunchRequest {
  LaunchMode mode = LaunchMode::Interactive;
  std::wstring strReportPath;  // SilentReport: where the JSON report goes
  std::wstring strError;       // Refused: what was wrong, in English
};

// `args` are the arguments after the program's name. Switches are matched
// without regard to case and may begin with "/" or "-".
LaunchRequest ParseLaunchArguments(const std::vector<std::wstring>& args);

// The usage text, in English, lines ending in CR LF.
std::wstring LaunchUsage();

// The exit codes of a silent run beyond the verdict codes (0, 1, 2 from the
// report): the run could not be made or its report not written.
constexpr int kExitCouldNotRun = 3;
