// The JSON report, built with cJSON. Wide texts go out as UTF-8 (an unpaired
// surrogate becomes U+FFFD); integers are written as their exact decimals,
// which a double could not hold for byte counts above 2^53.
#include <cJSON.h>

#include <memory>
#include <type_traits>

#include "corekit/textconv.h"
#include "report/report_text.h"

namespace {

cJSON* Text(const std::wstring& text) { return cJSON_CreateString(corekit::WideToUtf8(text).c_str()); }

cJSON* TextList(const std::vector<std::wstring>& texts) {
  cJSON* list = cJSON_CreateArray();
  for (const std::wstring& text : texts) cJSON_AddItemToArray(list, Text(text));
  return list;
}

cJSON* Value(const ReportFinding& finding) {
  return std::visit(
      [](const auto& value) -> cJSON* {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::wstring>) {
          return Text(value);
        } else if constexpr (std::is_same_v<T, std::vector<std::wstring>>) {
          return TextList(value);
        } else if constexpr (std::is_same_v<T, double>) {
          return cJSON_CreateNumber(value);
        } else {
          return cJSON_CreateRaw(std::to_string(value).c_str());
        }
      },
      finding.value);
}

cJSON* Servers(const std::vector<ReportServer>& servers) {
  cJSON* list = cJSON_CreateArray();
  for (const ReportServer& server : servers) {
    cJSON* entry = cJSON_CreateObject();
    cJSON_AddItemToObject(entry, "name", Text(server.strName));
    cJSON_AddItemToObject(entry, "host", Text(corekit::Utf8ToWide(server.strHost)));
    cJSON_AddNumberToObject(entry, "roundTripMs", server.nDelay);
    cJSON_AddNumberToObject(entry, "lossPercent", server.nLost);
    cJSON_AddNumberToObject(entry, "jitterMs", server.dJitter);
    cJSON_AddBoolToObject(entry, "finished", server.bFinish);
    cJSON_AddItemToArray(list, entry);
  }
  return list;
}

cJSON* Item(const ReportItem& item) {
  cJSON* entry = cJSON_CreateObject();
  cJSON_AddNumberToObject(entry, "type", item.nType);
  cJSON_AddNumberToObject(entry, "verdict", item.nCode);
  cJSON_AddItemToObject(entry, "name", Text(item.strName));
  cJSON* findings = cJSON_CreateObject();
  for (const ReportFinding& finding : item.vecFindings) cJSON_AddItemToObject(findings, finding.strKey.c_str(), Value(finding));
  cJSON_AddItemToObject(entry, "findings", findings);
  cJSON_AddItemToObject(entry, "shown", TextList(item.vecShown));
  if (!item.vecServers.empty()) cJSON_AddItemToObject(entry, "servers", Servers(item.vecServers));
  return entry;
}

cJSON* Summary(const RunReport& report) {
  cJSON* summary = cJSON_CreateObject();
  cJSON_AddStringToObject(summary, "titleKey", report.strTitleKey.c_str());
  cJSON_AddItemToObject(summary, "title", Text(report.strTitle));
  cJSON_AddNumberToObject(summary, "failures", report.CountOf(3));
  cJSON_AddNumberToObject(summary, "warnings", report.CountOf(2));
  cJSON_AddNumberToObject(summary, "passes", report.CountOf(1));
  cJSON_AddStringToObject(summary, "networkKey", report.strNetKey.c_str());
  cJSON_AddItemToObject(summary, "network", Text(report.strNetLine));
  cJSON_AddStringToObject(summary, "systemKey", report.strSysKey.c_str());
  cJSON_AddItemToObject(summary, "system", Text(report.strSysLine));
  return summary;
}

}  // namespace

std::string BuildJsonReport(const RunReport& report) {
  std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_CreateObject(), cJSON_Delete);
  cJSON_AddNumberToObject(root.get(), "schemaVersion", kReportSchemaVersion);
  cJSON_AddStringToObject(root.get(), "version", report.strVersion.c_str());
  cJSON_AddStringToObject(root.get(), "time", report.strTime.c_str());
  cJSON_AddItemToObject(root.get(), "computer", Text(report.strComputer));
  cJSON_AddStringToObject(root.get(), "language", report.strLanguage.c_str());
  cJSON_AddBoolToObject(root.get(), "cancelled", report.bCancelled);
  cJSON_AddItemToObject(root.get(), "summary", Summary(report));
  cJSON* items = cJSON_CreateArray();
  for (const ReportItem& item : report.vecItems) cJSON_AddItemToArray(items, Item(item));
  cJSON_AddItemToObject(root.get(), "items", items);
  std::unique_ptr<char, decltype(&cJSON_free)> printed(cJSON_Print(root.get()), cJSON_free);
  return printed ? std::string(printed.get()) : std::string();
}
