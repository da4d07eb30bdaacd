// The end of a silent run: the JSON report written whole, the exit code
// kept for the program's return, and the message loop ended.
#include "app/delegate_main.h"
#include "app/report_output.h"
#include "corekit/log.h"
#include "report/command_line.h"
#include "report/report_text.h"

int DelegateMain::s_nSilentExitCode = kExitCouldNotRun;

void DelegateMain::FinishSilentRun() {
  const RunReport report = CollectReport();
  s_nSilentExitCode = WriteReportFile(m_strSilentReport, BuildJsonReport(report)) ? ReportExitCode(report)
                                                                                   : kExitCouldNotRun;
  LOG_METHOD_TAG(LOG_LEVEL_INFO, "DelegateMain::FinishSilentRun", "exit code = " << s_nSilentExitCode);
  PostQuitMessage(0);
}
