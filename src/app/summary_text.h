// What the run summary says: the title, whether problems were found, the
// network line and the machine-quality line, from the failure counts of the
// rows and the findings of four checks. Texts come through a lookup, so the
// rules run anywhere; the main window shows the result (run_summary.cpp).
#pragma once

#include <string>

#include "skinkit/format_keys.h"

class CIPSiteFindings;
class CServerNetFindings;

struct SummaryInput {
  int nNetFailures = 0;  // failed rows of the network group
  int nSysFailures = 0;  // failed rows of the system group
  const CIPSiteFindings* pSite = nullptr;        // null: no public-address check in the run
  const CServerNetFindings* pServers = nullptr;  // null: no media-server check in the run
  int nCpuGrade = 0;
  int nMemGrade = 0;
};

struct SummaryText {
  bool bProblems = false;  // some row failed: the problems panel and picture
  std::wstring strTitle;
  std::wstring strNetLine;  // empty: hidden
  std::wstring strSysLine;
  // The string keys of the three texts, for reports; empty with the text.
  std::string strTitleKey;
  std::string strNetKey;
  std::string strSysKey;
};

SummaryText ComposeSummary(const SummaryInput& input, const skinkit::TextLookup& text);
