// Top-level windows: creation with an inner area of the asked size, position
// and state queries, and the window procedure that turns messages into events.
#include "platform/win32/win32_internal.h"

#include <commctrl.h>

#include <algorithm>

namespace win32 {

HWND WindowHandle(int window) {
  auto it = S().windows.find(window);
  return it == S().windows.end() ? nullptr : it->second.hwnd;
}

int WindowNumberOf(HWND hwnd) {
  for (const auto& [number, w] : S().windows)
    if (w.hwnd == hwnd) return number;
  return -1;
}

HWND OwnerWindow() {
  HWND active = GetActiveWindow();
  return active && WindowNumberOf(active) >= 0 ? active : nullptr;
}

}  // namespace win32

namespace {

using win32::Logical;
using win32::Px;
using win32::S;

DWORD StyleFor(int flags) {
  DWORD style = WS_OVERLAPPED | WS_CAPTION;   // never resizable, never maximisable
  if (flags & pf::kWindowSystemMenu) style |= WS_SYSMENU;
  if (flags & pf::kWindowMinimizeButton) style |= WS_SYSMENU | WS_MINIMIZEBOX;
  if (flags & pf::kWindowTitleOnly) style &= ~static_cast<DWORD>(WS_SYSMENU | WS_MINIMIZEBOX);
  return style;
}

// Frame around an inner area of the given device size, for this window style.
RECT FrameFor(DWORD style, DWORD exStyle, int width, int height) {
  RECT r{0, 0, width, height};
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
  if (adjustForDpi) adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(S().dpi));
  else AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return r;
}

RECT FrameOf(HWND hwnd, int width, int height) {
  return FrameFor(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)),
                  static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)), width, height);
}

// Screen position of the inner area in device pixels; for a minimised window
// the position it will return to.
POINT InnerOrigin(HWND hwnd) {
  POINT p{0, 0};
  if (!IsIconic(hwnd)) {
    ClientToScreen(hwnd, &p);
    return p;
  }
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(hwnd, &wp);
  RECT frame = FrameOf(hwnd, 0, 0);
  p.x = wp.rcNormalPosition.left - frame.left;
  p.y = wp.rcNormalPosition.top - frame.top;
  return p;
}

// Screen position of the frame's top-left corner in device pixels.
POINT FrameOrigin(HWND hwnd) {
  if (IsIconic(hwnd)) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(hwnd, &wp);
    return {wp.rcNormalPosition.left, wp.rcNormalPosition.top};
  }
  RECT r{};
  GetWindowRect(hwnd, &r);
  return {r.left, r.top};
}

void PushControlEvent(int window, int control, int type) {
  pf::Event e;
  e.code = pf::kEventGadget;
  e.window = window;
  e.control = control;
  e.type = type;
  win32::Push(e);
}

// WM_COMMAND from a control or a popup menu; notifications the program does
// not hear of are dropped.
void OnCommand(int window, WPARAM wParam, LPARAM lParam) {
  int id = LOWORD(wParam);
  int code = HIWORD(wParam);
  if (lParam == 0) {
    if (code == 0) {
      pf::Event e;
      e.code = pf::kEventMenu;
      e.window = window;
      e.item = id;
      win32::Push(e);
    }
    return;
  }
  auto* c = win32::Control(id);
  if (!c || c->hwnd != reinterpret_cast<HWND>(lParam)) return;
  switch (c->kind) {
    case pf::ControlKind::Button:
    case pf::ControlKind::DefaultButton:
    case pf::ControlKind::CheckBox:
    case pf::ControlKind::OptionButton:
      if (code == BN_CLICKED) PushControlEvent(window, id, 0);
      break;
    case pf::ControlKind::ListBox:
      if (code == LBN_SELCHANGE) PushControlEvent(window, id, 0);
      if (code == LBN_DBLCLK) PushControlEvent(window, id, 2);
      break;
    case pf::ControlKind::EditField:
    case pf::ControlKind::ReadOnlyField:
      if (code == EN_CHANGE && !S().settingText) PushControlEvent(window, id, 0);
      break;
    case pf::ControlKind::DropDownList:
      if (code == CBN_SELCHANGE) PushControlEvent(window, id, 0);
      break;
    default:
      break;
  }
}

// A system menu item the program added becomes a menu event, as a popup
// menu's item does; false for Windows' own commands (move, close, ...).
// Windows uses the low 4 bits of wParam itself.
bool OnSysCommand(int window, WPARAM wParam) {
  int item = static_cast<int>(wParam & 0xFFF0);
  auto it = S().systemCommands.find(window);
  if (it == S().systemCommands.end() || it->second.count(item) == 0) return false;
  pf::Event e;
  e.code = pf::kEventMenu;
  e.window = window;
  e.item = item;
  win32::Push(e);
  return true;
}

void OnNotify(int window, const NMHDR* header) {
  auto* c = win32::Control(static_cast<int>(header->idFrom));
  if (!c || c->hwnd != header->hwndFrom || c->kind != pf::ControlKind::TabPanel) return;
  if (header->code == TCN_SELCHANGE) {
    win32::LayoutTabPages(static_cast<int>(header->idFrom));
    PushControlEvent(window, static_cast<int>(header->idFrom), 0);
  }
}

// A timer tick is queued once: ticks that pile up behind a busy program would
// otherwise run the supervision several times in a row.
void OnTimer(int window, int timer) {
  if (S().modalDepth > 0) return;
  for (const auto& e : S().events)
    if (e.code == pf::kEventTimer && e.window == window && e.timer == timer) return;
  pf::Event e;
  e.code = pf::kEventTimer;
  e.window = window;
  e.timer = timer;
  win32::Push(e);
}

}  // namespace

namespace win32 {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  int window = WindowNumberOf(hwnd);
  if (window < 0) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      OnCommand(window, wParam, lParam);
      return 0;
    case WM_NOTIFY:
      OnNotify(window, reinterpret_cast<const NMHDR*>(lParam));
      return 0;
    case WM_SYSCOMMAND:
      if (OnSysCommand(window, wParam)) return 0;
      break;
    case WM_TIMER:
      OnTimer(window, static_cast<int>(wParam));
      return 0;
    case WM_CLOSE:
      // The program decides; the window stays.
      if (S().modalDepth == 0) {
        pf::Event e;
        e.code = pf::kEventClose;
        e.window = window;
        Push(e);
      }
      return 0;
    case WM_SIZE:
      // Wakes the program's loop so that it sees the window minimised.
      if (wParam == SIZE_MINIMIZED) {
        pf::Event e;
        e.code = WM_SIZE;
        e.window = window;
        Push(e);
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (HBRUSH page = PageBackground(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)))
        return reinterpret_cast<LRESULT>(page);
      break;
    case WM_DROPFILES:
      TakeDroppedFiles(window, wParam);
      return 0;
    case WM_DPICHANGED:
      // The layout keeps the DPI the program started with.
      return 0;
    default:
      if (message == kTrayMessage) {
        HandleTrayMessage(window, message, wParam, lParam);
        return 0;
      }
      if (message == S().taskbarCreated && message != 0) {
        ReAddTrayIcons();
        return 0;
      }
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace win32

namespace pf {

bool OpenWindowAt(int window, int x, int y, int innerWidth, int innerHeight, const std::string& title,
                  int flags) {
  if (WindowExists(window)) CloseWindowNumber(window);
  DWORD style = StyleFor(flags);
  RECT frame = FrameFor(style, 0, Px(innerWidth), Px(innerHeight));
  HWND hwnd = CreateWindowExA(0, win32::kWindowClass, title.c_str(), style, Px(x) + frame.left,
                              Px(y) + frame.top, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, S().instance, nullptr);
  if (!hwnd) return false;
  S().windows[window].hwnd = hwnd;
  if (!(flags & kWindowHidden)) ShowWindow(hwnd, SW_SHOWNORMAL);
  return true;
}

void CloseWindowNumber(int window) {
  auto it = S().windows.find(window);
  if (it == S().windows.end()) return;
  for (auto c = S().controls.begin(); c != S().controls.end();) {
    if (c->second.window != window) {
      ++c;
      continue;
    }
    win32::ForgetControl(c->second);
    c = S().controls.erase(c);
  }
  S().lastCreated.erase(window);
  S().systemCommands.erase(window);   // its system menu goes with it
  HWND hwnd = it->second.hwnd;
  HWND tips = it->second.tooltips;
  S().windows.erase(it);
  if (tips) DestroyWindow(tips);
  if (hwnd) DestroyWindow(hwnd);
  for (auto e = S().events.begin(); e != S().events.end();)
    e = e->window == window ? S().events.erase(e) : std::next(e);
}

bool WindowExists(int window) { return win32::WindowHandle(window) != nullptr; }

void SetWindowVisible(int window, bool visible) {
  HWND hwnd = win32::WindowHandle(window);
  if (!hwnd) return;
  if (!visible) ShowWindow(hwnd, SW_HIDE);
  else ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
}

bool IsWindowVisible(int window) {
  HWND hwnd = win32::WindowHandle(window);
  return hwnd && ::IsWindowVisible(hwnd);
}

bool IsWindowMinimised(int window) {
  HWND hwnd = win32::WindowHandle(window);
  return hwnd && IsIconic(hwnd);
}

// The frame's corner is what the settings and project files store; a
// minimised window has the corner it will return to.
void PlaceWindow(int window, int x, int y) {
  HWND hwnd = win32::WindowHandle(window);
  if (!hwnd) return;
  // Positions come from files: Windows' own coordinates stop at about
  // 32000, and the sums below must not overflow.
  x = std::clamp(x, -32000, 32000);
  y = std::clamp(y, -32000, 32000);
  if (IsIconic(hwnd)) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(hwnd, &wp);
    LONG w = wp.rcNormalPosition.right - wp.rcNormalPosition.left;
    LONG h = wp.rcNormalPosition.bottom - wp.rcNormalPosition.top;
    wp.rcNormalPosition.left = Px(x);
    wp.rcNormalPosition.top = Px(y);
    wp.rcNormalPosition.right = wp.rcNormalPosition.left + w;
    wp.rcNormalPosition.bottom = wp.rcNormalPosition.top + h;
    SetWindowPlacement(hwnd, &wp);
    return;
  }
  SetWindowPos(hwnd, nullptr, Px(x), Px(y), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int WindowX(int window) {
  HWND hwnd = win32::WindowHandle(window);
  return hwnd ? Logical(FrameOrigin(hwnd).x) : 0;
}

int WindowY(int window) {
  HWND hwnd = win32::WindowHandle(window);
  return hwnd ? Logical(FrameOrigin(hwnd).y) : 0;
}

int WindowInnerX(int window) {
  HWND hwnd = win32::WindowHandle(window);
  return hwnd ? Logical(InnerOrigin(hwnd).x) : 0;
}

int WindowInnerY(int window) {
  HWND hwnd = win32::WindowHandle(window);
  return hwnd ? Logical(InnerOrigin(hwnd).y) : 0;
}

void SetWindowInnerSize(int window, int innerWidth, int innerHeight) {
  HWND hwnd = win32::WindowHandle(window);
  if (!hwnd) return;
  RECT frame = FrameOf(hwnd, Px(innerWidth), Px(innerHeight));
  SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// The inner size in physical pixels; a minimised window reports the size it
// will have again when restored.
SIZE InnerSizeOf(HWND hwnd) {
  if (IsIconic(hwnd)) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(hwnd, &wp);
    RECT frame = FrameOf(hwnd, 0, 0);
    return {wp.rcNormalPosition.right - wp.rcNormalPosition.left - (frame.right - frame.left),
            wp.rcNormalPosition.bottom - wp.rcNormalPosition.top - (frame.bottom - frame.top)};
  }
  RECT r{};
  GetClientRect(hwnd, &r);
  return {r.right, r.bottom};
}

}  // namespace

int WindowInnerWidth(int window) {
  HWND hwnd = win32::WindowHandle(window);
  return hwnd ? Logical(InnerSizeOf(hwnd).cx) : 0;
}

int WindowInnerHeight(int window) {
  HWND hwnd = win32::WindowHandle(window);
  return hwnd ? Logical(InnerSizeOf(hwnd).cy) : 0;
}

void SetWindowTopmost(int window, bool topmost) {
  HWND hwnd = win32::WindowHandle(window);
  if (hwnd)
    SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ActivateWindowNumber(int window) {
  HWND hwnd = win32::WindowHandle(window);
  if (!hwnd) return;
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
}

std::string WindowTitle(int window) {
  HWND hwnd = win32::WindowHandle(window);
  if (!hwnd) return {};
  std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace pf
