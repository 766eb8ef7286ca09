// The notification-area icon, its two pictures, the popup menus and the
// program's items on a window's system menu.
#include "platform/win32/win32_internal.h"

#include <shellapi.h>

#include <cstring>

namespace {

using win32::S;

HICON IconOf(int image) {
  auto it = S().icons.find(image);
  return it == S().icons.end() ? nullptr : it->second;
}

// Text into one of NOTIFYICONDATA's fixed fields, at most limit bytes and
// cut where a character ends: a double-byte character is never split, and
// the field always ends.
template <size_t N>
void CopyField(char (&field)[N], const std::string& text, size_t limit = N - 1) {
  static_assert(N > 0);
  if (limit > N - 1) limit = N - 1;
  const char* begin = text.c_str();
  const char* end = begin;
  while (*end) {
    const char* next = CharNextA(end);
    if (next == end || static_cast<size_t>(next - begin) > limit) break;
    end = next;
  }
  size_t n = static_cast<size_t>(end - begin);
  std::memcpy(field, begin, n);
  field[n] = '\0';
}

NOTIFYICONDATAA IconData(int icon, const win32::TrayRecord& tray) {
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = win32::WindowHandle(tray.window);
  nid.uID = static_cast<UINT>(icon);
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = win32::kTrayMessage;
  nid.hIcon = IconOf(tray.image);
  // The notification area shows at most 63 characters.
  CopyField(nid.szTip, tray.tooltip, 63);
  return nid;
}

}  // namespace

namespace win32 {

bool HandleTrayMessage(int window, UINT, WPARAM wParam, LPARAM lParam) {
  int type = -1;
  switch (LOWORD(lParam)) {
    case WM_LBUTTONUP: type = 0; break;
    case WM_RBUTTONUP: type = 1; break;
    case WM_LBUTTONDBLCLK: type = 2; break;
    case WM_RBUTTONDBLCLK: type = 3; break;
    default: return false;   // pointer movement and presses are not events
  }
  if (S().modalDepth > 0) return false;
  pf::Event e;
  e.code = pf::kEventTray;
  e.window = window;
  e.type = type;
  e.item = static_cast<int>(wParam);
  Push(e);
  return true;
}

// Explorer forgets the icons when it restarts; they are added again, and
// so are icons it refused while it was not running.
void ReAddTrayIcons() {
  for (auto& [icon, tray] : S().trays) {
    NOTIFYICONDATAA nid = IconData(icon, tray);
    tray.shown = Shell_NotifyIconA(NIM_ADD, &nid) != 0;
  }
}

void DestroyTrayAndMenus() {
  for (const auto& [icon, tray] : S().trays) {
    NOTIFYICONDATAA nid = IconData(icon, tray);
    Shell_NotifyIconA(NIM_DELETE, &nid);
  }
  S().trays.clear();
  for (const auto& [number, menu] : S().menus) DestroyMenu(menu);
  S().menus.clear();
}

}  // namespace win32

namespace pf {

bool LoadIconImage(int image) {
  if (IconOf(image)) return true;
  HICON icon = static_cast<HICON>(LoadImageA(S().instance, MAKEINTRESOURCEA(image), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (!icon) return false;
  S().icons[image] = icon;
  return true;
}

bool AddTrayIcon(int icon, int window, int image) {
  if (!win32::WindowHandle(window)) return false;
  win32::TrayRecord tray;
  tray.window = window;
  tray.image = image;
  NOTIFYICONDATAA nid = IconData(icon, tray);
  // A refused icon is kept, to be added when the taskbar comes (back).
  tray.shown = Shell_NotifyIconA(NIM_ADD, &nid) != 0;
  S().trays[icon] = tray;
  return tray.shown;
}

bool TrayIconShown(int icon) {
  auto it = S().trays.find(icon);
  return it != S().trays.end() && it->second.shown;
}

void ChangeTrayIcon(int icon, int image) {
  auto it = S().trays.find(icon);
  if (it == S().trays.end()) return;
  it->second.image = image;
  NOTIFYICONDATAA nid = IconData(icon, it->second);
  // An icon the notification area no longer knows is gone until it is back.
  if (!Shell_NotifyIconA(NIM_MODIFY, &nid)) it->second.shown = false;
}

void SetTrayTooltip(int icon, const std::string& text) {
  auto it = S().trays.find(icon);
  if (it == S().trays.end()) return;
  it->second.tooltip = text;
  NOTIFYICONDATAA nid = IconData(icon, it->second);
  if (!Shell_NotifyIconA(NIM_MODIFY, &nid)) it->second.shown = false;
}

void RemoveTrayIcon(int icon) {
  auto it = S().trays.find(icon);
  if (it == S().trays.end()) return;
  NOTIFYICONDATAA nid = IconData(icon, it->second);
  Shell_NotifyIconA(NIM_DELETE, &nid);
  S().trays.erase(it);
}

void ShowTrayBalloon(int icon, const std::string& title, const std::string& text) {
  auto it = S().trays.find(icon);
  if (it == S().trays.end() || !it->second.shown) return;
  NOTIFYICONDATAA nid = IconData(icon, it->second);
  nid.uFlags = NIF_INFO;   // the picture and tooltip stay as they are
  nid.dwInfoFlags = NIIF_INFO;
  CopyField(nid.szInfoTitle, title);
  CopyField(nid.szInfo, text);
  if (!Shell_NotifyIconA(NIM_MODIFY, &nid)) it->second.shown = false;
}

void CreatePopupMenuNumber(int menu) {
  auto it = S().menus.find(menu);
  if (it != S().menus.end()) DestroyMenu(it->second);
  S().menus[menu] = CreatePopupMenu();
}

void AddMenuItem(int menu, int item, const std::string& text) {
  auto it = S().menus.find(menu);
  if (it != S().menus.end())
    AppendMenuA(it->second, MF_STRING, static_cast<UINT_PTR>(item), text.c_str());
}

void AddMenuSeparator(int menu) {
  auto it = S().menus.find(menu);
  if (it != S().menus.end()) AppendMenuA(it->second, MF_SEPARATOR, 0, nullptr);
}

// The window's own copy of the system menu is changed (bRevert FALSE); the
// window procedure turns a WM_SYSCOMMAND naming one of these items into a
// menu event.
void AddSystemMenuItem(int window, int item, const std::string& text) {
  HWND hwnd = win32::WindowHandle(window);
  HMENU menu = hwnd ? GetSystemMenu(hwnd, FALSE) : nullptr;
  if (!menu || !AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(item), text.c_str())) return;
  S().systemCommands[window].insert(item);
}

void AddSystemMenuSeparator(int window) {
  HWND hwnd = win32::WindowHandle(window);
  if (HMENU menu = hwnd ? GetSystemMenu(hwnd, FALSE) : nullptr) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
}

// The chosen item arrives later as a menu event (WM_COMMAND from the menu).
void ShowPopupMenu(int menu, int window) {
  auto it = S().menus.find(menu);
  HWND hwnd = win32::WindowHandle(window);
  if (it == S().menus.end() || !hwnd) return;
  POINT p{};
  GetCursorPos(&p);
  // Without this the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(hwnd);
  TrackPopupMenu(it->second, TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd, nullptr);
  PostMessageA(hwnd, WM_NULL, 0, 0);
}

}  // namespace pf
