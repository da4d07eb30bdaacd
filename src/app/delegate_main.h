// The main window: loads its layout from the skin archive, owns the
// media-server slots and the item rows, creates the detection worker, reacts
// to its buttons, and receives the sequencer's WM_DETECT_ROUTINE reports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/detect_item_ui.h"
#include "app/singleton.h"
#include "app/summary_text.h"
#include "detect/delegate_detect.h"
#include "report/run_report.h"
#include "ui/ui.h"
#include "update/media_servers.h"
#include "update/ov_update.h"
#include "update/update_frame.h"

class CWndShadow;

// The window's one-shot timers.
enum { TIMER_DOWNLOAD_CONFIG = 125, TIMER_ENABLE_START = 126 };
enum { TIMER_DOWNLOAD_CONFIG_MS = 1000, TIMER_ENABLE_START_MS = 5000 };

// Panels of "layout_state".
enum StatePanel { PANEL_RUNNING = 0, PANEL_NO_PROBLEMS = 1, PANEL_PROBLEMS = 2, PANEL_CANCELLED = 3 };

// The state picture while running, after a cancel and when nothing was found.
inline constexpr wchar_t kMachinePictureOk[] = L"file='machine.png' source='0,0,84,84'";
// The state picture of a run that found problems.
inline constexpr wchar_t kMachinePictureProblems[] = L"file='machine.png' source='84,0,168,84'";

// The detect button's tag: the run state it offers to change.
enum DetectButtonTag { DETECT_TAG_IDLE = 1, DETECT_TAG_RUNNING = 2 };

class DelegateMain : public WindowImplBase,
                     public Singleton<DelegateMain>,
                     public IDetectView,
                     public IMediaServerSource,
                     public IUpdateHost {
 public:
  DelegateMain();
  ~DelegateMain() override;

  // The start action: starts a run and switches the display to running.
  void StartDetect();
  // Makes panel `panel` of "layout_state" the only visible one, with `text`.
  void ShowState(int panel, const std::wstring& text);

  // Item rows (item_rows.cpp).
  void OnItemBegin(IDetectHandler* handler) override;
  void OnItemFinish(IDetectHandler* handler, bool bCancel) override;
  void ClearRows();
  void CompleteGroup(bool bSystem);

  // End-of-run display (run_summary.cpp). A missing or empty text hides its line.
  void ShowSummary();
  void ShowCancelled();
  void ShowCaptions(const wchar_t* caption, const wchar_t* line1, const wchar_t* line2);

  const MediaServerSlots& GetMediaServers() override { return m_servers.Slots(); }
  const SpeedSettings& GetSpeedSettings() override { return m_servers.Speed(); }

  // The updater's view of the window (IUpdateHost).
  MediaServerList& GetServerList() override { return m_servers; }
  void EnableStart() override;
  void ShowUpdateFrame(const std::wstring& version, const std::wstring& notes) override;
  void ShowPackageStage(PackageStage stage, int percent) override;
  const std::vector<std::unique_ptr<CDetectItemUI>>& Items() const { return m_vecItems; }

  // A silent run (silent_run.cpp): the run starts as soon as the start
  // would be enabled, nothing is offered or shown, and when the run ends
  // the JSON report is written to `path` and the message loop ends.
  void SetSilentReportPath(const std::wstring& path) { m_strSilentReport = path; }
  bool IsSilent() const { return !m_strSilentReport.empty(); }
  // The silent run's exit code: the report's, or kExitCouldNotRun.
  static int GetSilentExitCode() { return s_nSilentExitCode; }

  // The report of the run that ended last, rows in display order (report_collect.cpp).
  RunReport CollectReport() const;
  // The copy and save actions of the end-of-run pages (report_actions.cpp).
  void CopyReport();
  void SaveReport();

 protected:
  const wchar_t* GetWindowClassName() const override { return L"kalto.mainwnd"; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hWnd) override;
  void InitWindow() override;
  void OnClick(TNotifyUI& msg) override;
  std::wstring GetSkinFolder() override { return L"skin\\"; }
  std::wstring GetSkinFile() override { return L"skin.xml"; }
  UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_ZIP; }
  std::wstring GetZIPFileName() const override { return L"skin.zip"; }
  bool NeedsLayout() const override { return true; }
  LRESULT OnMouseHover(UINT, WPARAM, LPARAM, BOOL&) override { return 0; }
  LRESULT OnChar(UINT, WPARAM, LPARAM, BOOL&) override { return 0; }
  LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

  // The verdict of a finished item, shown in its row.
  virtual void JudgeItem(IDetectHandler* handler, CDetectItemUI* record);

 private:
  void InitWirekit();
  void OnTimer(UINT_PTR id);
  void RePlaceRow(CDetectItemUI* record);
  CHorizontalLayoutUI* CreateGroupHeader(bool bSystem);
  CDetectItemUI* CreateRow(int type);
  void ShowProgress(const std::wstring& text);
  void HideResultLines();
  // The detect button now starts a new run; the report actions appear.
  void OfferDetectAgain();
  void ShowReportActions(bool bShow);
  void FinishSilentRun();

  CListUI* m_pListResult = nullptr;
  CContainerUI* m_pLayoutState = nullptr;
  CContainerUI* m_pRoot = nullptr;
  std::unique_ptr<CWndShadow> m_pShadow;
  std::vector<std::unique_ptr<CDetectItemUI>> m_vecItems;
  CHorizontalLayoutUI* m_pSysHeader = nullptr;
  CHorizontalLayoutUI* m_pNetHeader = nullptr;
  CButtonUI* m_pBtnDetect = nullptr;
  CButtonUI* m_pBtnStart = nullptr;
  CLabelUI* m_pCaptionState = nullptr;
  CLabelUI* m_pResultTitle = nullptr;
  CLabelUI* m_pResultLine1 = nullptr;
  CLabelUI* m_pResultLine2 = nullptr;
  CLabelUI* m_pStateIcon = nullptr;
  CControlUI* m_pStateGif = nullptr;
  MediaServerList m_servers;
  CLabelUI* m_pUpdateState = nullptr;
  CUpdateFrame m_updateFrame;
  ovUpdate m_update;
  SummaryText m_summary;     // of the last finished run
  bool m_bCancelled = false;  // the last run was cancelled
  std::wstring m_strSilentReport;
  bool m_bSilentStarted = false;
  static int s_nSilentExitCode;
};
