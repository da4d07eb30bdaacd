#include "report/report_names.h"

#include <cstdio>
#include <cstdlib>

std::string IsoTime(const ReportClock& clock) {
  const int offset = std::abs(clock.nOffsetMinutes);
  char text[40];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", clock.nYear, clock.nMonth, clock.nDay,
                clock.nHour, clock.nMinute, clock.nSecond, clock.nOffsetMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return text;
}

std::wstring DefaultReportFileName(const std::wstring& computer, const ReportClock& clock,
                                   const std::wstring& extension) {
  std::wstring name;
  for (wchar_t c : computer) {
    const bool forbidden = static_cast<unsigned long>(c) < 0x20 || std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos;
    name += forbidden ? L'_' : c;
  }
  if (name.empty()) name = L"PC";
  wchar_t stamp[32];
  std::swprintf(stamp, sizeof(stamp) / sizeof(stamp[0]), L"%04d%02d%02d-%02d%02d", clock.nYear, clock.nMonth,
                clock.nDay, clock.nHour, clock.nMinute);
  return L"KALTO_" + name + L"_" + stamp + L"." + extension;
}
