// Reads a running program's window the way a screen reader does, through
// Microsoft Active Accessibility, for the black-box tests and the run script.
//
//   ui_reader <window-class> dump    one line per visible element:
//                                    role <TAB> state <TAB> x y w h <TAB> name
//   ui_reader <window-class> close   asks the window to close (system close command)
//   ui_reader <window-class> end     sends WM_CLOSE, as the task manager's "End task" does
//   ui_reader <window-class> press <name>   presses the first element of that
//                                    name with its default action, as a screen reader does
//   ui_reader <window-class> wait <seconds>   waits for the window to exist
//   ui_reader <window-class> shown   exit 0 when the window is visible, 3 when
//                                    it exists hidden
//   ui_reader <window-class> clipboard   prints the clipboard's Unicode text
//                                    (the window need not exist)
//   ui_reader <window-class> count   prints how many top-level windows of the
//                                    class exist (none is not an error)
//   ui_reader <window-class> maximise   maximises the window from this other
//                                    process (ShowWindow), then exit 0 when it
//                                    is not maximised a second later, 3 when it is
//   ui_reader serve                  the same commands, read from standard input
//                                    (see Serve)
//
// Exit code 1 when the window is not found.
#include <windows.h>
#include <oleacc.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

std::string Flatten(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  return text;
}

// One line for `child` of `acc`, whose state is already known to be visible.
void PrintLine(IAccessible* acc, VARIANT child, long state, int depth) {
  VARIANT role;
  VariantInit(&role);
  acc->get_accRole(child, &role);
  BSTR name = nullptr;
  acc->get_accName(child, &name);
  long x = 0, y = 0, w = 0, h = 0;
  acc->accLocation(&x, &y, &w, &h, child);
  std::string line(static_cast<size_t>(depth) * 2, ' ');
  line += std::to_string(role.vt == VT_I4 ? role.lVal : 0) + "\t" + std::to_string(state) + "\t" +
          std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) + " " + std::to_string(h) + "\t" +
          Flatten(Utf8(name ? std::wstring(name, SysStringLen(name)) : std::wstring())) + "\n";
  fwrite(line.data(), 1, line.size(), stdout);
  if (name) SysFreeString(name);
  VariantClear(&role);
}

// The line of `child` of `acc` when it is visible. Each call on another
// process's element is a round trip, so the state is asked for only once.
void Print(IAccessible* acc, VARIANT child, int depth) {
  VARIANT state;
  VariantInit(&state);
  if (FAILED(acc->get_accState(child, &state)) || state.vt != VT_I4) return;
  if (state.lVal & STATE_SYSTEM_INVISIBLE) return;
  PrintLine(acc, child, state.lVal, depth);
}

void Walk(IAccessible* acc, int depth) {
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT state;
  VariantInit(&state);
  const bool known = SUCCEEDED(acc->get_accState(self, &state)) && state.vt == VT_I4;
  if (known && (state.lVal & STATE_SYSTEM_INVISIBLE)) return;
  if (known) PrintLine(acc, self, state.lVal, depth);
  long count = 0;
  if (FAILED(acc->get_accChildCount(&count)) || count <= 0) return;
  std::vector<VARIANT> children(static_cast<size_t>(count));
  long obtained = 0;
  if (FAILED(AccessibleChildren(acc, 0, count, children.data(), &obtained))) return;
  for (long i = 0; i < obtained; ++i) {
    VARIANT& child = children[static_cast<size_t>(i)];
    if (child.vt == VT_DISPATCH && child.pdispVal) {
      IAccessible* sub = nullptr;
      if (SUCCEEDED(child.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&sub))) && sub) {
        Walk(sub, depth + 1);
        sub->Release();
      }
    } else if (child.vt == VT_I4) {
      Print(acc, child, depth + 1);
    }
    VariantClear(&child);
  }
}

// Presses the first visible element named `name` under `acc`; true when pressed.
bool Press(IAccessible* acc, const std::wstring& name) {
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT state;
  VariantInit(&state);
  if (FAILED(acc->get_accState(self, &state)) || state.vt != VT_I4 || (state.lVal & STATE_SYSTEM_INVISIBLE))
    return false;
  BSTR own = nullptr;
  const bool match = SUCCEEDED(acc->get_accName(self, &own)) && own && name == own;
  if (own) SysFreeString(own);
  if (match) return SUCCEEDED(acc->accDoDefaultAction(self));
  long count = 0;
  if (FAILED(acc->get_accChildCount(&count)) || count <= 0) return false;
  std::vector<VARIANT> children(static_cast<size_t>(count));
  long obtained = 0;
  if (FAILED(AccessibleChildren(acc, 0, count, children.data(), &obtained))) return false;
  bool pressed = false;
  for (long i = 0; i < obtained; ++i) {
    VARIANT& child = children[static_cast<size_t>(i)];
    if (!pressed && child.vt == VT_DISPATCH && child.pdispVal) {
      IAccessible* sub = nullptr;
      if (SUCCEEDED(child.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&sub))) && sub) {
        pressed = Press(sub, name);
        sub->Release();
      }
    }
    VariantClear(&child);
  }
  return pressed;
}

// Counts the top-level windows of the class named by `param`.
BOOL CALLBACK CountWindow(HWND window, LPARAM param) {
  auto* sought = reinterpret_cast<std::pair<const wchar_t*, int>*>(param);
  wchar_t name[256] = {0};
  if (GetClassNameW(window, name, 256) && wcscmp(name, sought->first) == 0) ++sought->second;
  return TRUE;
}

// The clipboard's Unicode text in UTF-8; false when it holds none.
bool PrintClipboard() {
  // As it is: a text-mode stdout would write each line end as CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  if (!OpenClipboard(nullptr)) return false;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const wchar_t* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
  if (text) {
    const std::string utf8 = Utf8(text);
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text != nullptr;
}

// Runs one command: `args` holds the window class, the command and its argument.
int Run(const std::vector<std::wstring>& args) {
  const wchar_t* window_class = args[0].c_str();
  const std::wstring& command = args[1];
  const wchar_t* argument = args.size() > 2 ? args[2].c_str() : nullptr;
  HWND window = FindWindowW(window_class, nullptr);
  if (command == L"wait") {
    const DWORD limit = argument ? static_cast<DWORD>(_wtoi(argument)) * 1000 : 30000;
    const DWORD start = GetTickCount();
    while (!window && GetTickCount() - start < limit) {
      Sleep(100);
      window = FindWindowW(window_class, nullptr);
    }
    return window ? 0 : 1;
  }
  if (command == L"clipboard") return PrintClipboard() ? 0 : 1;
  if (command == L"count") {
    std::pair<const wchar_t*, int> sought(window_class, 0);
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&sought));
    printf("%d\n", sought.second);
    return 0;
  }
  if (!window) return 1;
  if (command == L"shown") return IsWindowVisible(window) ? 0 : 3;
  if (command == L"close") {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  if (command == L"end") {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"maximise") {
    ShowWindow(window, SW_MAXIMIZE);
    Sleep(1000);
    return IsZoomed(window) ? 3 : 0;
  }
  CoInitialize(nullptr);
  IAccessible* acc = nullptr;
  const HRESULT hr = AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&acc));
  if (FAILED(hr) || !acc) {
    fprintf(stderr, "no accessible object (0x%08lx)\n", static_cast<unsigned long>(hr));
    CoUninitialize();
    return 1;
  }
  int code = 0;
  if (command == L"press") {
    code = argument && Press(acc, argument) ? 0 : 1;
  } else {
    Walk(acc, 0);
  }
  acc->Release();
  CoUninitialize();
  return code;
}

// Answers commands from standard input until it ends, one a line: the
// arguments of a command line, separated by tabs. Each answer is the
// command's output, then a line of the record separator (0x1E) and its exit
// code. One process serves a test's many reads, where a process start costs
// about a second under an emulated 32-bit loader.
int Serve() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  for (;;) {
    std::string line;
    int c;
    while ((c = getchar()) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) return 0;
    std::vector<std::wstring> args(1);
    for (const wchar_t ch : Wide(line)) {
      if (ch == L'\t') {
        args.emplace_back();
      } else {
        args.back() += ch;
      }
    }
    const int code = args.size() < 2 ? 2 : Run(args);
    printf("\x1e%d\n", code);
    fflush(stdout);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"serve") return Serve();
  if (argc < 3) {
    fputs("usage: ui_reader <window-class> dump|close|end|press <name>|wait <seconds>|shown|clipboard|count|maximise\n"
          "       ui_reader serve\n", stderr);
    return 2;
  }
  return Run(std::vector<std::wstring>(argv + 1, argv + argc));
}
