#include "report/report_text.h"

#include <cstdio>

#include "corekit/textconv.h"
#include "probes/net/server_net_findings.h"

namespace {

const wchar_t kNewLine[] = L"\r\n";

// The text safe for one line of the report.
std::wstring OneLine(const std::wstring& text) {
  std::wstring clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned long c = static_cast<unsigned long>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      clean += L' ';
    } else if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
               static_cast<unsigned long>(text[i + 1]) >= 0xDC00 && static_cast<unsigned long>(text[i + 1]) <= 0xDFFF) {
      clean += text[i];
      clean += text[++i];
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      clean += L'\xFFFD';
    } else {
      clean += text[i];
    }
  }
  return clean;
}

std::wstring Ascii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring Decimal(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "%.1f", value);
  return Ascii(buffer);
}

const char* VerdictKey(int code) {
  switch (code) {
    case 1: return "s.report.pass";
    case 2: return "s.report.warning";
    case 3: return "s.report.failure";
    default: return "s.report.none";
  }
}

std::wstring ServerLine(const ReportServer& server, const skinkit::TextLookup& text) {
  std::wstring line = OneLine(server.strName) + L" (" + OneLine(corekit::Utf8ToWide(server.strHost)) + L"): ";
  // A server that never answered has no round trip or jitter to show.
  if (server.nLost >= kUnreachableLost) return line + text("s.report.no.answer");
  line += text("s.report.rtt") + L" " + std::to_wstring(server.nDelay) + L" ms, ";
  line += text("s.report.loss") + L" " + std::to_wstring(server.nLost) + L" %, ";
  line += text("s.report.jitter") + L" " + Decimal(server.dJitter) + L" ms";
  return line;
}

// One direction of the speed: its figure and its least speed, in kbit/s.
std::wstring SpeedPart(const char* directionKey, const SpeedFigure& figure, int least, const skinkit::TextLookup& text) {
  std::wstring part = text(directionKey) + L" ";
  part += figure.bMeasured ? std::to_wstring(figure.nKbps) + L" kbit/s" : text("s.detect.speed.none");
  return part + L" (" + text("s.report.least") + L" " + std::to_wstring(least) + L" kbit/s)";
}

std::wstring SpeedLine(const SpeedFindings& speed, const skinkit::TextLookup& text) {
  return SpeedPart("s.report.download", speed.down, speed.settings.nMinDownKbps, text) + L", " +
         SpeedPart("s.report.upload", speed.up, speed.settings.nMinUpKbps, text);
}

}  // namespace

std::wstring BuildTextReport(const RunReport& report, const skinkit::TextLookup& text) {
  // The name and version as the title bar shows them.
  std::wstring out = text("s.app.name") + Ascii(report.strVersion) + kNewLine;
  out += text("s.report.time") + L" " + Ascii(report.strTime) + kNewLine;
  out += text("s.report.computer") + L" " + OneLine(report.strComputer) + kNewLine + kNewLine;
  for (const std::wstring* line : {&report.strTitle, &report.strNetLine, &report.strSysLine}) {
    if (!line->empty()) out += OneLine(*line) + kNewLine;
  }
  for (const ReportItem& item : report.vecItems) {
    out += kNewLine;
    out += L"[" + text(VerdictKey(item.nCode)) + L"] " + OneLine(item.strName) + kNewLine;
    for (const std::wstring& line : item.vecShown) out += L"    " + OneLine(line) + kNewLine;
    for (const ReportServer& server : item.vecServers) out += L"    " + ServerLine(server, text) + kNewLine;
    if (item.speed) out += L"    " + SpeedLine(*item.speed, text) + kNewLine;
  }
  return out;
}
