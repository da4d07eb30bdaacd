// The two forms of a run report: plain text for people (the clipboard and
// the saved .txt file) and JSON for programs (the saved .json file and the
// silent run). docs/report.md describes both.
#pragma once

#include <string>

#include "report/run_report.h"
#include "skinkit/format_keys.h"

// The text report, lines ending in CR LF, labels through `text`. Control
// characters in texts become spaces and unpaired surrogates U+FFFD, so the
// layout holds whatever the system returned.
std::wstring BuildTextReport(const RunReport& report, const skinkit::TextLookup& text);

// The JSON report in UTF-8 (schema version kReportSchemaVersion).
constexpr int kReportSchemaVersion = 1;
std::string BuildJsonReport(const RunReport& report);
