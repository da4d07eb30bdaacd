// The Windows side of the run reports: the facts of this machine a report
// carries, and writing a report file whole.
#pragma once

#include <string>

#include "report/report_names.h"

// The computer's NetBIOS name; empty when the system does not give it.
std::wstring ReportComputerName();
// The local time now, with its offset from UTC.
ReportClock ReportClockNow();

// `path` made whole against the current folder; as given when the system
// cannot do that (the log says why).
std::wstring FullReportPath(const std::wstring& path);
// Writes `bytes` to a temporary file beside `path` and renames it to
// `path`, replacing an older file, so a reader never sees half a report.
// A file held for a moment (a virus scanner, an indexer) is waited for
// briefly. False (and nothing left behind) when either step fails; the log
// says why.
bool WriteReportFile(const std::wstring& path, const std::string& bytes);
// Whether a report could be written at `path`: its temporary file can be
// made there, and a file already there is neither read-only nor held by
// another program beyond a moment. Leaves nothing behind.
bool CanWriteReportFile(const std::wstring& path);

// Writes `text` where the user who started the program sees it: the
// standard output (or error) when it was redirected, otherwise the console
// of the parent process; nowhere when there is neither.
void WriteToConsole(const std::wstring& text, bool bError);
