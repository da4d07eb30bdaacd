#include "update/update_frame.h"

#include "corekit/log.h"
#include "update/update_offer.h"

namespace {

const int kNoteRowHeight = 27;
const int kBulletWidth = 16;
const DWORD kNoteColour = 0xFF4C4C4C;
const int kNoteFont = 7;

}  // namespace

CUpdateFrame::CUpdateFrame() = default;
CUpdateFrame::~CUpdateFrame() = default;

void CUpdateFrame::InitWindow() {
  m_pWndShadow.reset(new CWndShadow());
  m_pWndShadow->Create(GetHWND());
  m_pWndShadow->SetImage(L"shadow.png");
  m_pWndShadow->SetShadowCorner({17, 14, 17, 14});
  m_pWndShadow->SetHoleOffset({0, 0, 0, 0});
  m_pBtnCancel = m_PaintManager.FindControl(L"cancel");
  m_pBtnOk = m_PaintManager.FindControl(L"ok");
  // Enter presses the focused button; at first that is "ok".
  if (m_pBtnOk) m_PaintManager.SetFocus(m_pBtnOk);
}

void CUpdateFrame::SetVersion(const std::wstring& version) {
  if (CControlUI* label = m_PaintManager.FindControl(L"version")) {
    label->SetText(version);
  } else {
    LOG_METHOD(LOG_LEVEL_ERROR, "no version label");
  }
}

void CUpdateFrame::SetReleaseNotes(const std::wstring& notes) {
  CContainerUI* list = static_cast<CContainerUI*>(m_PaintManager.FindControl(L"updateinfolayout"));
  if (!list) {
    LOG_METHOD(LOG_LEVEL_ERROR, "no updateinfolayout");
    return;
  }
  for (const std::wstring& line : update::SplitReleaseNotes(notes)) {
    CHorizontalLayoutUI* row = new CHorizontalLayoutUI();
    row->SetFixedHeight(kNoteRowHeight);
    row->SetAttribute(L"inset", L"0,0,0,11");
    CLabelUI* bullet = new CLabelUI();
    bullet->SetAttribute(L"bkimage", L"point.png");
    bullet->SetFixedWidth(kBulletWidth);
    row->Add(bullet);
    CLabelUI* text = new CLabelUI();
    text->SetText(line);
    text->SetTextColor(kNoteColour);
    text->SetFont(kNoteFont);
    row->Add(text);
    list->Add(row);
  }
}

void CUpdateFrame::Notify(TNotifyUI& msg) {
  if (msg.sType != L"click" || !msg.pSender) return;
  if (msg.pSender == m_pBtnCancel) {
    Close(UPDATE_DECLINED);
  } else if (msg.pSender == m_pBtnOk) {
    Close(UPDATE_ACCEPTED);
  } else if (msg.pSender->GetName() == L"closebtn") {
    Close(UPDATE_DECLINED);
  }
}

LRESULT CUpdateFrame::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  bHandled = FALSE;
  if (uMsg != WM_KEYDOWN) return 0;
  if (wParam == VK_ESCAPE) {
    bHandled = TRUE;
    Close(UPDATE_DECLINED);
  } else if (wParam == VK_RETURN && !m_PaintManager.GetFocus()) {
    bHandled = TRUE;
    Close(UPDATE_ACCEPTED);
  }
  return 0;
}
