// Figures of the UI layer: the time from process start to the first painted
// frame of a 50-control window, and the time to lay out and paint a list of
// 100 result rows. "--hold <seconds>" keeps the window open afterwards, to
// look at it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace {

double MsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

double MsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER a = {{created.dwLowDateTime, created.dwHighDateTime}};
  ULARGE_INTEGER b = {{now.dwLowDateTime, now.dwHighDateTime}};
  return (b.QuadPart - a.QuadPart) / 10000.0;
}

// A 50-control window: title bar, 40 labels in rows, buttons and a list.
std::wstring FiftyControlLayout() {
  std::wstring xml =
      L"<Window size=\"500,400\" caption=\"0,0,0,40\" roundcorner=\"6,6\">"
      L"<Font id=\"1\" name=\"Microsoft YaHei\" size=\"12\" default=\"true\"/>"
      L"<VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\">"
      L"<HorizontalLayout height=\"40\" inset=\"10,0,4,0\" bkcolor=\"#FFF4F6FA\">"
      L"<Label name=\"title\" text=\"\u7F51\u7EDC\u68C0\u6D4B KALTO\" textcolor=\"#FF333333\"/>"
      L"<Button name=\"minbtn\" width=\"30\" normalimage=\"file='sprite.png' source='0,0,20,20'\"/>"
      L"<Button name=\"closebtn\" width=\"30\" normalimage=\"file='sprite.png' source='40,0,60,20'\"/>"
      L"</HorizontalLayout>";
  for (int row = 0; row < 10; ++row) {
    xml += L"<HorizontalLayout height=\"24\" inset=\"10,0,10,0\" childpadding=\"6\">";
    for (int col = 0; col < 4; ++col)
      xml += L"<Label text=\"\u9879\u76EE " + std::to_wstring(row * 4 + col) + L"\" textcolor=\"#FF4C4C4C\"/>";
    xml += L"</HorizontalLayout>";
  }
  xml += L"<List name=\"list\" vscrollbar=\"true\"/>"
         L"<HorizontalLayout height=\"50\" inset=\"120,6,120,6\">"
         L"<Button name=\"start\" text=\"\u5F00\u59CB Start\" textcolor=\"#FFFFFFFF\" bkcolor=\"#FF2F80FF\" borderround=\"22,22\"/>"
         L"</HorizontalLayout></VerticalLayout></Window>";
  return xml;
}

class BenchWindow : public WindowImplBase {
 public:
  double firstFrameMs = -1;

 protected:
  const wchar_t* GetWindowClassName() const override { return L"KaltoUiBench"; }
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override { return FiftyControlLayout(); }
  UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_ZIP; }
  std::wstring GetZIPFileName() const override { return L"ui_bench_skin.zip"; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    LRESULT lRes = WindowImplBase::HandleMessage(uMsg, wParam, lParam);
    if (uMsg == WM_PAINT && firstFrameMs < 0) firstFrameMs = MsSinceProcessStart();
    return lRes;
  }
  // Like the program's windows, with a drop shadow.
  void InitWindow() override {
    m_shadow.Create(m_hWnd);
    m_shadow.SetImage(L"shadow.png");
    m_shadow.SetShadowCorner(RECT{17, 14, 17, 14});
    m_shadow.SetHoleOffset(RECT{0, 0, 0, 0});
  }
  void OnClick(TNotifyUI& msg) override {
    if (msg.pSender->GetName() == L"closebtn") ::PostQuitMessage(0);
  }

 private:
  CWndShadow m_shadow;
};

CControlUI* MakeRow(int index) {
  auto* row = new CHorizontalLayoutUI;
  row->SetAttribute(L"height", L"61");
  row->SetAttribute(L"inset", L"2,18,30,0");
  auto* icon = new CLabelUI;
  icon->SetAttribute(L"width", L"14");
  icon->SetAttribute(L"maxheight", L"14");
  icon->SetAttribute(L"bkimage", L"file='sprite.png' source='20,0,40,20'");
  auto* name = new CLabelUI;
  name->SetAttribute(L"width", L"247");
  name->SetAttribute(L"maxheight", L"14");
  name->SetAttribute(L"textpadding", L"10,0,0,0");
  name->SetText(L"\u5904\u7406\u5668 " + std::to_wstring(index));
  auto* detail = new CVerticalLayoutUI;
  for (int line = 0; line < 4; ++line) {
    auto* label = new CLabelUI;
    label->SetFixedHeight(line == 0 ? 28 : 25);
    label->SetAttribute(L"multiline", L"true");
    label->SetAttribute(L"valign", L"top");
    label->SetText(L"\u68C0\u6D4B\u901A\u8FC7 line " + std::to_wstring(line));
    detail->Add(label);
  }
  row->Add(icon);
  row->Add(name);
  row->Add(detail);
  return row;
}

void CALLBACK QuitTimer(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(0); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath());
  CPaintManagerUI::SetResourceZip(L"ui_bench_skin.zip");
  CWndShadow::Initialize(::GetModuleHandleW(nullptr));
  BenchWindow window;
  window.Create(nullptr, L"ui bench", 0x10CF0000 & ~WS_VISIBLE, 0, 0, 0, 500, 400);
  window.CenterWindow();
  ::ShowWindow(window.GetHWND(), SW_SHOW);
  ::UpdateWindow(window.GetHWND());
  std::printf("first painted frame of a 50-control window: %.1f ms after process start\n", window.firstFrameMs);

  auto* list = static_cast<CListUI*>(window.GetPaintManager().FindControl(L"list"));
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  for (int i = 0; i < 100; ++i) list->Add(MakeRow(i));
  double buildMs = MsSince(start);
  std::vector<double> rounds;
  for (int round = 0; round < 20; ++round) {
    ::QueryPerformanceCounter(&start);
    list->NeedUpdate();
    ::RedrawWindow(window.GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    rounds.push_back(MsSince(start));
  }
  std::sort(rounds.begin(), rounds.end());
  std::printf("build 100 rows: %.1f ms\n", buildMs);
  std::printf("lay out and paint a list of 100 rows: median %.2f ms, worst %.2f ms (20 rounds)\n", rounds[10],
              rounds.back());
  std::printf("list scroll range: %d px\n", list->GetScrollRange());

  int hold = argc > 2 && wcscmp(argv[1], L"--hold") == 0 ? _wtoi(argv[2]) : 0;
  if (hold > 0) {
    ::SetTimer(nullptr, 0, static_cast<UINT>(hold * 1000), QuitTimer);
    CPaintManagerUI::MessageLoop();
  }
  ::DestroyWindow(window.GetHWND());
  return 0;
}
