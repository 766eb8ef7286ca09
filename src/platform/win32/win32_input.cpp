// The input requester: a small modal window with a prompt, a one-line field
// and "Ok". Enter answers the field's text, Escape answers empty text.
#include "platform/win32/win32_internal.h"

#include <vector>

namespace {

using win32::Px;
using win32::S;

constexpr const char* kInputClass = "TallowbridgeInput";
constexpr int kOkId = IDOK;
constexpr int kFieldId = 100;
constexpr int kPromptId = 101;

struct InputRun {
  bool done = false;
  bool accepted = false;
};
InputRun* activeRun = nullptr;

LRESULT CALLBACK InputProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == kOkId && HIWORD(wParam) == BN_CLICKED && activeRun) {
    activeRun->done = true;
    activeRun->accepted = true;
    return 0;
  }
  if (message == WM_CLOSE) return 0;   // no close box: Ok or Escape only
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool RegisterInputClass() {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(S().instance, kInputClass, &wc)) return true;
  wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = InputProc;
  wc.hInstance = S().instance;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kInputClass;
  return RegisterClassExA(&wc) != 0;
}

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM data) {
  if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
  return TRUE;
}

HWND AddChild(HWND parent, const char* cls, const std::string& text, DWORD style, DWORD exStyle, int id,
              int x, int y, int width, int height) {
  HWND hwnd = CreateWindowExA(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, Px(x), Px(y),
                              Px(width), Px(height), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), S().instance, nullptr);
  if (hwnd) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(win32::Font(pf::kFontSystem)), FALSE);
  return hwnd;
}

HWND CreateInputWindow(const std::string& title, const std::string& prompt, const std::string& text) {
  DWORD style = WS_OVERLAPPED | WS_CAPTION;   // title bar without close box
  RECT frame{0, 0, Px(300), Px(130)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  HWND hwnd = CreateWindowExA(WS_EX_DLGMODALFRAME, kInputClass, title.c_str(), style,
                              work.left + (work.right - work.left - width) / 2,
                              work.top + (work.bottom - work.top - height) / 2, width, height,
                              win32::OwnerWindow(), nullptr, S().instance, nullptr);
  if (!hwnd) return nullptr;
  AddChild(hwnd, "STATIC", prompt, SS_LEFT | SS_NOPREFIX, 0, kPromptId, 10, 10, 280, 22);
  HWND field = AddChild(hwnd, "EDIT", text, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, kFieldId, 10,
                        32, 275, 21);
  SendMessageA(field, EM_LIMITTEXT, 0, 0);
  AddChild(hwnd, "BUTTON", "Ok", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, kOkId, 110, 67, 80, 25);
  return hwnd;
}

// Enter and Escape answer the requester wherever the focus is in it.
bool AnswerKey(HWND window, const MSG& msg, InputRun& run) {
  if (msg.message != WM_KEYDOWN || (msg.hwnd != window && !IsChild(window, msg.hwnd))) return false;
  if (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE) return false;
  run.done = true;
  run.accepted = msg.wParam == VK_RETURN;
  return true;
}

}  // namespace

namespace pf {

std::string RequestInput(const std::string& title, const std::string& prompt, const std::string& defaultText) {
  if (!RegisterInputClass()) return {};
  win32::ModalScope modal;
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  HWND window = CreateInputWindow(title, prompt, defaultText);
  if (!window) return {};
  for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);

  HWND field = GetDlgItem(window, kFieldId);
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  SetFocus(field);
  SendMessageA(field, EM_SETSEL, 0, -1);

  InputRun run;
  InputRun* outer = activeRun;
  activeRun = &run;
  while (!run.done) {
    MSG msg{};
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));   // the main loop sees it too
      break;
    }
    if (AnswerKey(window, msg, run)) break;
    if (IsDialogMessageA(window, &msg)) continue;   // Tab between field and button
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  activeRun = outer;

  std::string text(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
  // Enabled again before the requester goes, so the right window is activated.
  for (HWND hwnd : disabled) EnableWindow(hwnd, TRUE);
  DestroyWindow(window);
  return run.accepted ? text : std::string();
}

}  // namespace pf
