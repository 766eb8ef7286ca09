// The event loop: window messages become the program's events, one per call.
#include "platform/win32/win32_internal.h"

namespace win32 {

void Push(const pf::Event& event) { S().events.push_back(event); }

}  // namespace win32

namespace {

using win32::S;

// Tab and Shift+Tab move the focus through the controls of the active window,
// as in a dialog. Other keys go to the focused control untouched, so Enter
// and Escape never stand for controls 1 and 2 (IDOK and IDCANCEL).
bool HandledAsDialogKey(MSG& msg) {
  if ((msg.message != WM_KEYDOWN && msg.message != WM_KEYUP && msg.message != WM_CHAR) ||
      msg.wParam != VK_TAB)
    return false;
  HWND top = GetAncestor(msg.hwnd, GA_ROOT);
  if (!top || win32::WindowNumberOf(top) < 0) return false;
  return IsDialogMessageA(top, &msg) != 0;
}

// Enter and Escape mean nothing to a one-line field; passed on, the field
// would only beep.
bool IsFieldBeepKey(const MSG& msg) {
  if (msg.message != WM_CHAR || (msg.wParam != '\r' && msg.wParam != 27)) return false;
  char cls[16] = {};
  GetClassNameA(msg.hwnd, cls, sizeof cls);
  return lstrcmpiA(cls, "Edit") == 0 && !(GetWindowLongA(msg.hwnd, GWL_STYLE) & ES_MULTILINE);
}

}  // namespace

namespace pf {

Event WaitWindowEvent() {
  auto& s = S();
  for (;;) {
    if (s.shuttingDown || s.quitReceived) return Event{};
    if (!s.events.empty()) {
      Event e = s.events.front();
      s.events.pop_front();
      return e;
    }
    MSG msg{};
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      s.quitReceived = true;
      return Event{};
    }
    if (HandledAsDialogKey(msg) || IsFieldBeepKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void StartTimer(int window, int timer, int milliseconds) {
  HWND hwnd = win32::WindowHandle(window);
  if (hwnd) SetTimer(hwnd, static_cast<UINT_PTR>(timer), static_cast<UINT>(milliseconds), nullptr);
}

void StopTimer(int window, int timer) {
  HWND hwnd = win32::WindowHandle(window);
  if (hwnd) KillTimer(hwnd, static_cast<UINT_PTR>(timer));
}

}  // namespace pf
