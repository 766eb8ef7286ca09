// Start and end of the Win32 backend: common controls, the window class, the
// screen's DPI, fonts, and the small services that need no window.
#include "platform/win32/win32_internal.h"

#include <commctrl.h>
#include <objbase.h>

namespace win32 {

State& S() {
  static State state;
  return state;
}

int Px(int logical) { return MulDiv(logical, S().dpi, 96); }
int Logical(int px) { return MulDiv(px, 96, S().dpi); }

HFONT Font(pf::FontId id) {
  int i = static_cast<int>(id);
  if (i < 0 || i > 4 || !S().fonts[i]) return S().fonts[pf::kFontSystem];
  return S().fonts[i];
}

std::string ResolvePath(const std::string& path) {
  bool absolute = (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
  return absolute ? path : pf::ProgramDirectory() + path;
}

}  // namespace win32

namespace {

using win32::S;

// The screen's DPI. The manifest declares the process DPI aware, so this is
// the real resolution, which Px() scales the program's 96-DPI layout to.
int SystemDpi() {
  using GetDpiForSystemFn = UINT(WINAPI*)();
  auto fn = reinterpret_cast<GetDpiForSystemFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForSystem")));
  if (fn) return static_cast<int>(fn());
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

// The system's variable-pitch control font, at the screen's DPI.
HFONT SystemFont() {
  LOGFONTA lf{};
  if (!GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) return nullptr;
  lf.lfHeight = MulDiv(lf.lfHeight, S().dpi, 96);
  lf.lfWidth = 0;
  return CreateFontIndirectA(&lf);
}

bool RegisterWindowClass() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = win32::WindowProc;
  wc.hInstance = S().instance;
  wc.hIcon = LoadIconA(S().instance, MAKEINTRESOURCEA(93));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = win32::kWindowClass;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

namespace pf {

bool InitPlatform() {
  auto& s = S();
  // A renderer that crashes must end, not wait all night behind the
  // system's error box: the renderer inherits this error mode.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  s.instance = GetModuleHandleA(nullptr);
  s.dpi = SystemDpi();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  // The folder requester's new-style dialog needs OLE on this thread.
  OleInitialize(nullptr);
  s.taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  s.fonts[kFontSystem] = SystemFont();
  s.ownFont[kFontSystem] = s.fonts[kFontSystem] != nullptr;
  if (!s.fonts[kFontSystem]) s.fonts[kFontSystem] = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  return RegisterWindowClass();
}

void ShutdownPlatform() {
  auto& s = S();
  if (s.shuttingDown) return;
  s.shuttingDown = true;
  win32::ReleaseProgramFolder();
  win32::DestroyTrayAndMenus();
  for (auto& [number, w] : s.windows) {
    if (w.tooltips) DestroyWindow(w.tooltips);
    if (w.hwnd) DestroyWindow(w.hwnd);
  }
  s.windows.clear();
  for (auto& [number, c] : s.controls) win32::ForgetControl(c);
  s.controls.clear();
  for (int i = 0; i < 5; ++i) {
    if (s.ownFont[i] && s.fonts[i]) DeleteObject(s.fonts[i]);
    s.fonts[i] = nullptr;
    s.ownFont[i] = false;
  }
  for (auto& [number, icon] : s.icons) DestroyIcon(icon);
  s.icons.clear();
  s.events.clear();
  s.arrivedFiles.clear();
  PostQuitMessage(0);
}

void ExitProcessWith(int code) { ExitProcess(static_cast<UINT>(code)); }

std::string ProgramDirectory() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);   // long paths: try a bigger buffer
  }
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool LoadFont(FontId id, const std::string& face, int points, int styleFlags) {
  int i = static_cast<int>(id);
  if (i < 0 || i > 4) return false;
  HFONT font = CreateFontA(-MulDiv(points, S().dpi, 72), 0, 0, 0,
                           (styleFlags & kFontBoldStyle) ? FW_BOLD : FW_NORMAL, FALSE,
                           (styleFlags & kFontUnderline) ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  if (!font) return false;
  if (S().ownFont[i] && S().fonts[i]) DeleteObject(S().fonts[i]);
  S().fonts[i] = font;
  S().ownFont[i] = true;
  return true;
}

void PointerPosition(int& x, int& y) {
  POINT p{};
  GetCursorPos(&p);
  x = win32::Logical(p.x);
  y = win32::Logical(p.y);
}

void SoundBeep(int frequency, int milliseconds) {
  Beep(static_cast<DWORD>(frequency), static_cast<DWORD>(milliseconds));
}

void Pause(int milliseconds) { Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

}  // namespace pf
