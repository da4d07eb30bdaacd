// The time stamp a report carries and the file name it is offered under.
#pragma once

#include <string>

struct ReportClock {
  int nYear = 0, nMonth = 0, nDay = 0, nHour = 0, nMinute = 0, nSecond = 0;
  int nOffsetMinutes = 0;  // local time minus UTC
};

// "2026-12-08T17:07:03+08:00"; an offset of 0 is written "+00:00".
std::string IsoTime(const ReportClock& clock);

// "KALTO_<computer>_20261208-1707.<extension>": the computer's name with
// every character a file name cannot hold (and every control character)
// replaced by "_", "PC" when it is empty.
std::wstring DefaultReportFileName(const std::wstring& computer, const ReportClock& clock,
                                   const std::wstring& extension);
