// The report actions of the end-of-run pages: copy the text report to the
// clipboard (also Ctrl+C) and save it through the standard Save dialog as
// UTF-8 text or, by file type, as JSON.
#include <windows.h>
#include <commdlg.h>

#include "app/delegate_main.h"
#include "app/report_output.h"
#include "corekit/log.h"
#include "corekit/textconv.h"
#include "report/report_text.h"
#include "skinkit/resource_mgr.h"

namespace {

enum SaveType { SAVE_TEXT = 1, SAVE_JSON = 2 };  // the dialog's filter indexes

bool PutOnClipboard(HWND owner, const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return false;
  void* target = GlobalLock(memory);
  if (!target) {
    GlobalFree(memory);
    return false;
  }
  memcpy(target, text.c_str(), bytes);
  GlobalUnlock(memory);
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!placed) GlobalFree(memory);  // the clipboard owns it only once placed
  return placed;
}

bool HasExtension(const std::wstring& path, const std::wstring& extension) {
  const std::wstring tail = L"." + extension;
  if (path.size() < tail.size()) return false;
  return _wcsicmp(path.c_str() + path.size() - tail.size(), tail.c_str()) == 0;
}

}  // namespace

void DelegateMain::ShowReportActions(bool bShow) {
  for (const wchar_t* name : {L"report_copy", L"report_save"}) {
    if (CControlUI* control = m_PaintManager.FindControl(name)) control->SetVisible(bShow && !IsSilent());
  }
}

void DelegateMain::CopyReport() {
  const bool copied = PutOnClipboard(GetHWND(), BuildTextReport(CollectReport(), skinkit::LibraryText));
  LOG_METHOD_TAG(copied ? LOG_LEVEL_INFO : LOG_LEVEL_ERROR, "DelegateMain::CopyReport", "copied = " << copied);
  if (copied) ShowProgress(DllResourceMgr::LoadStringW("s.ui.report.copied"));
}

void DelegateMain::SaveReport() {
  const RunReport report = CollectReport();
  const ReportClock clock = ReportClockNow();
  wchar_t path[MAX_PATH] = {};
  wcsncpy(path, DefaultReportFileName(report.strComputer, clock, L"txt").c_str(), MAX_PATH - 1);
  std::wstring filter = DllResourceMgr::LoadStringW("s.ui.report.type.text");
  filter += std::wstring(1, L'\0') + L"*.txt" + std::wstring(1, L'\0');
  filter += DllResourceMgr::LoadStringW("s.ui.report.type.json");
  filter += std::wstring(1, L'\0') + L"*.json" + std::wstring(2, L'\0');

  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetHWND();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = SAVE_TEXT;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) {
    const DWORD error = CommDlgExtendedError();
    if (error) LOG_METHOD_TAG(LOG_LEVEL_ERROR, "DelegateMain::SaveReport", "dialog failed err = " << static_cast<unsigned long>(error));
    return;  // cancelled
  }
  // JSON when its file type was chosen or its extension typed.
  std::wstring target = path;
  const bool json = dialog.nFilterIndex == SAVE_JSON || HasExtension(target, L"json");
  if (!HasExtension(target, json ? L"json" : L"txt")) target += json ? L".json" : L".txt";
  // The text file starts with the byte order mark, which older editors need
  // to read it as UTF-8; JSON goes without one.
  const std::string bytes = json ? BuildJsonReport(report)
                                 : "\xEF\xBB\xBF" + corekit::WideToUtf8(BuildTextReport(report, skinkit::LibraryText));
  const bool saved = WriteReportFile(target, bytes);
  ShowProgress(DllResourceMgr::LoadStringW(saved ? "s.ui.report.saved" : "s.ui.report.save.failed"));
}
