#include "app/delegate_main.h"

#include "corekit/log.h"
#include "netlib/thread.h"
#include "skinkit/format_keys.h"
#include "skinkit/resource_mgr.h"

DelegateMain::DelegateMain() : m_update(this) { SetMediaServerSource(this); }

DelegateMain::~DelegateMain() { SetMediaServerSource(nullptr); }

void DelegateMain::InitWindow() {
  m_pShadow.reset(new CWndShadow());
  m_pShadow->Create(GetHWND());
  m_pShadow->SetImage(L"shadow.png");
  m_pShadow->SetShadowCorner({17, 14, 17, 14});
  m_pShadow->SetHoleOffset({0, 0, 0, 0});

  std::wstring title = DllResourceMgr::LoadStringW("s.app.name");
  title += m_update.GetLocalVersion();
  for (const wchar_t* name : {L"title1", L"title2"}) {
    if (CControlUI* label = m_PaintManager.FindControl(name)) label->SetText(title);
  }

  m_pListResult = static_cast<CListUI*>(m_PaintManager.FindControl(L"layout_display_ret"));
  m_pLayoutState = static_cast<CContainerUI*>(m_PaintManager.FindControl(L"layout_state"));
  m_pRoot = static_cast<CContainerUI*>(m_PaintManager.FindControl(L"root"));
  m_pBtnDetect = static_cast<CButtonUI*>(m_PaintManager.FindControl(L"control_detect"));
  m_pBtnStart = static_cast<CButtonUI*>(m_PaintManager.FindControl(L"start_detect"));
  m_pCaptionState = static_cast<CLabelUI*>(m_PaintManager.FindControl(L"label_caption_state"));
  m_pResultTitle = static_cast<CLabelUI*>(m_PaintManager.FindControl(L"label_caption_result_title"));
  m_pResultLine1 = static_cast<CLabelUI*>(m_PaintManager.FindControl(L"label_caption_result_line1"));
  m_pResultLine2 = static_cast<CLabelUI*>(m_PaintManager.FindControl(L"label_caption_result_line2"));
  m_pStateIcon = static_cast<CLabelUI*>(m_PaintManager.FindControl(L"state_icon"));
  m_pStateGif = m_PaintManager.FindControl(L"state_gif");
  m_pUpdateState = static_cast<CLabelUI*>(m_PaintManager.FindControl(L"label_update_state"));
  if (m_pBtnStart) m_pBtnStart->SetEnabled(false);
  m_update.ParseLocalConfig();

  if (m_pRoot && m_pRoot->GetCount() >= 2) {
    m_pRoot->GetItemAt(0)->SetVisible(true);
    m_pRoot->GetItemAt(1)->SetVisible(false);
  }

  InitWirekit();
  DelegateDetect* detect = DelegateDetect::Instance();
  detect->SetView(GetHWND(), this);
  detect->CreateWorkerThread();
  SetTimer(GetHWND(), TIMER_DOWNLOAD_CONFIG, TIMER_DOWNLOAD_CONFIG_MS, nullptr);
  SetTimer(GetHWND(), TIMER_ENABLE_START, TIMER_ENABLE_START_MS, nullptr);
}

void DelegateMain::InitWirekit() {
  LOG_METHOD_TAG(LOG_LEVEL_INFO, "DelegateMain::InitWirekit", "InitVodDownloadEnv");
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  CThreadManager::Instance()->SetNetThreadNum(static_cast<int>(info.dwNumberOfProcessors));
  // The process keeps its normal priority class; the library's own service
  // threads (timers, network callbacks) get a little more, so that their
  // callbacks are not starved by the measurements.
  for (void* handle : CThreadManager::Instance()->ServiceThreadHandles()) {
    if (handle) SetThreadPriority(handle, THREAD_PRIORITY_ABOVE_NORMAL);
  }
}

LRESULT DelegateMain::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_DETECT_ROUTINE) {
    DelegateDetect::Instance()->OnDetectRoutine(wParam);
  } else if (uMsg == WM_DETECT_STAGE) {
    ShowProgress(DllResourceMgr::LoadStringW(reinterpret_cast<const char*>(wParam)));
  } else if (uMsg == WM_KEYDOWN && wParam == 'C' && (GetKeyState(VK_CONTROL) & 0x8000)) {
    // Ctrl+C copies the report once a run has ended, as the copy control does.
    CControlUI* copy = m_PaintManager.FindControl(L"report_copy");
    if (copy && copy->IsVisible()) CopyReport();
  } else if (uMsg == WM_TIMER) {
    OnTimer(wParam);
  }
  return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

void DelegateMain::OnTimer(UINT_PTR id) {
  if (id == TIMER_DOWNLOAD_CONFIG) {
    KillTimer(GetHWND(), TIMER_DOWNLOAD_CONFIG);
    m_update.StartDownloadConfig();
  } else if (id == TIMER_ENABLE_START) {
    KillTimer(GetHWND(), TIMER_ENABLE_START);
    EnableStart();
  }
}

void DelegateMain::EnableStart() {
  if (m_pBtnStart) m_pBtnStart->SetEnabled(true);
  if (IsSilent() && !m_bSilentStarted) {
    m_bSilentStarted = true;
    LOG_METHOD_TAG(LOG_LEVEL_INFO, "DelegateMain::EnableStart", "silent run starts");
    StartDetect();
  }
}

void DelegateMain::ShowUpdateFrame(const std::wstring& version, const std::wstring& notes) {
  // A silent run offers nothing: nobody is there to answer.
  if (IsSilent()) return;
  if (!m_updateFrame.Create(GetHWND(), L"UpdateFrame", WS_POPUPWINDOW, 0)) return;
  m_updateFrame.SetVersion(version);
  m_updateFrame.SetReleaseNotes(notes);
  m_updateFrame.CenterWindow();
  if (m_updateFrame.ShowModal() == UPDATE_ACCEPTED) m_update.StartDownloadPackage();
}

void DelegateMain::ShowPackageStage(PackageStage stage, int percent) {
  if (!m_pUpdateState) return;
  std::wstring text;
  switch (stage) {
    case PACKAGE_DOWNLOADING:
      text = percent >= 0 ? skinkit::FormatText<skinkit::fmt::kUpdateProgress>(percent)
                          : DllResourceMgr::LoadStringW("s.ui.update.downloading");
      break;
    case PACKAGE_READY: text = DllResourceMgr::LoadStringW("s.ui.update.ready"); break;
    case PACKAGE_FAILED: text = DllResourceMgr::LoadStringW("s.ui.update.failed"); break;
    case PACKAGE_DAMAGED: text = DllResourceMgr::LoadStringW("s.ui.update.damaged"); break;
  }
  m_pUpdateState->SetText(text);
  m_pUpdateState->SetToolTip(text);
  m_pUpdateState->SetVisible(true);
}

void DelegateMain::OnFinalMessage(HWND hWnd) {
  DelegateDetect::Shutdown();
  WindowImplBase::OnFinalMessage(hWnd);
  Forget();
  delete this;
  // However the window went (WM_CLOSE from the task manager or a logoff, a
  // failed creation), the program ends with it: a process without its
  // window would keep the single-instance mutex and lock out every start.
  PostQuitMessage(0);
}

void DelegateMain::OnClick(TNotifyUI& msg) {
  CControlUI* sender = msg.pSender;
  if (!sender) return;
  const std::wstring& name = sender->GetName();
  if (name == L"closebtn") {
    PostQuitMessage(0);
  } else if (name == L"minbtn") {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"start_detect") {
    if (m_pRoot && m_pRoot->GetCount() >= 2) {
      m_pRoot->GetItemAt(0)->SetVisible(false);
      m_pRoot->GetItemAt(1)->SetVisible(true);
    }
    RECT caption = {0, 0, 0, 170};
    m_PaintManager.SetCaptionRect(caption);
    StartDetect();
  } else if (name == L"report_copy") {
    CopyReport();
  } else if (name == L"report_save") {
    SaveReport();
  } else if (sender == m_pBtnDetect) {
    if (m_pBtnDetect->GetTag() == DETECT_TAG_RUNNING) {
      DelegateDetect::Instance()->Cancel();
    } else {
      StartDetect();
    }
  }
}

void DelegateMain::StartDetect() {
  ShowReportActions(false);
  DelegateDetect::Instance()->Start();
  ClearRows();
  if (m_pStateGif) m_pStateGif->SetVisible(true);
  if (m_pStateIcon) m_pStateIcon->SetAttribute(L"bkimage", kMachinePictureOk);
  ShowState(PANEL_RUNNING, DllResourceMgr::LoadStringW("s.detect.sys.running"));
  if (m_pBtnDetect) {
    m_pBtnDetect->SetText(DllResourceMgr::LoadStringW("s.cancel.detect"));
    m_pBtnDetect->SetTag(DETECT_TAG_RUNNING);
  }
}

void DelegateMain::ShowState(int panel, const std::wstring& text) {
  if (!m_pLayoutState) return;
  for (int i = 0; i < m_pLayoutState->GetCount(); ++i) {
    CControlUI* item = m_pLayoutState->GetItemAt(i);
    item->SetVisible(i == panel);
    if (i == panel) item->SetText(text);
  }
}

LRESULT DelegateMain::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  // Closing ends the message loop; the process then shuts down. Every other
  // command takes the skinned window's way.
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    PostQuitMessage(0);
    bHandled = TRUE;
    return 0;
  }
  return WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
}
