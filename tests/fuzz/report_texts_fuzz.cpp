// Feeds arbitrary texts, as the system and the configuration file may give
// any, into both forms of the run report and the report's file name. The
// text report stays whole lines of printable characters, the JSON report
// stays JSON that gives the texts back, the file name stays a file name.
#include <cJSON.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "corekit/textconv.h"
#include "fuzz_texts.h"
#include "report/report_names.h"
#include "report/report_text.h"

namespace {

// The texts of the input, in turn, for as many fields as ask.
class Texts {
 public:
  Texts(const uint8_t* data, size_t size) : m_texts(WideTextsOf(data, size)) {}
  const std::wstring& Next() { return m_texts[m_next++ % m_texts.size()]; }

 private:
  std::vector<std::wstring> m_texts;
  size_t m_next = 0;
};

RunReport ReportOf(Texts& texts) {
  RunReport report;
  report.strVersion = "1.0.0.1";
  report.strTime = "2026-12-08T17:07:03+08:00";
  report.strComputer = texts.Next();
  report.strLanguage = "en_US";
  report.strTitle = texts.Next();
  report.strNetLine = texts.Next();
  report.strSysLine = texts.Next();
  ReportItem item;
  item.nType = 10;
  item.nCode = 3;
  item.strName = texts.Next();
  item.vecShown = {texts.Next(), texts.Next()};
  item.vecFindings.push_back(ReportFinding{"adapter", texts.Next()});
  item.vecFindings.push_back(ReportFinding{"devices", std::vector<std::wstring>{texts.Next(), texts.Next()}});
  ReportServer server;
  server.strName = texts.Next();
  // Host names are read from the configuration file as UTF-8.
  server.strHost = corekit::WideToUtf8(texts.Next());
  item.vecServers.push_back(server);
  report.vecItems.push_back(item);
  return report;
}

bool IsCharacter(unsigned long c) {
  return c >= 0x20 && c != 0x7F && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void CheckTextReport(const RunReport& report) {
  const std::wstring text = BuildTextReport(report, [](const char*) { return std::wstring(L"label"); });
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned long c = static_cast<unsigned long>(text[i]);
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
      ++i;
      continue;
    }
    if (!IsCharacter(c)) std::abort();
  }
  if (text.size() < 2 || text.compare(text.size() - 2, 2, L"\r\n") != 0) std::abort();
  // The host is shown as the text it is, control characters as blanks.
  std::wstring host = corekit::Utf8ToWide(report.vecItems[0].vecServers[0].strHost);
  for (wchar_t& c : host) {
    if (c < 0x20 || c == 0x7F) c = L' ';
  }
  if (text.find(L" (" + host + L"): ") == std::wstring::npos) std::abort();
}

std::string StringOf(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  if (!cJSON_IsString(item)) std::abort();
  return item->valuestring;
}

void CheckJsonReport(const RunReport& report) {
  const std::string json = BuildJsonReport(report);
  if (corekit::WideToUtf8(corekit::Utf8ToWide(json)) != json) std::abort();  // valid UTF-8 throughout
  std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_Parse(json.c_str()), cJSON_Delete);
  if (!root) std::abort();
  if (StringOf(root.get(), "computer") != corekit::WideToUtf8(report.strComputer)) std::abort();
  const cJSON* item = cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(root.get(), "items"), 0);
  if (StringOf(item, "name") != corekit::WideToUtf8(report.vecItems[0].strName)) std::abort();
  const cJSON* server = cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(item, "servers"), 0);
  if (StringOf(server, "host") != report.vecItems[0].vecServers[0].strHost) std::abort();
}

void CheckFileName(const std::wstring& computer) {
  const std::wstring name = DefaultReportFileName(computer, ReportClock{2026, 12, 8, 17, 7, 3, 480}, L"json");
  if (name.compare(0, 6, L"KALTO_") != 0 || name.size() < computer.size() + 25) std::abort();
  for (wchar_t c : name) {
    if (static_cast<unsigned long>(c) < 0x20 || std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Texts texts(data, size);
  const RunReport report = ReportOf(texts);
  CheckTextReport(report);
  CheckJsonReport(report);
  CheckFileName(report.strComputer);
  return 0;
}
