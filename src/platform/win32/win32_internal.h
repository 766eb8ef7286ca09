// State shared by the Win32 backend's files. Only this backend includes
// <windows.h>; the program sees nothing but platform.h.
#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace win32 {

struct WindowRecord {
  HWND hwnd = nullptr;
  HWND tooltips = nullptr;   // created with the first tooltip
};

struct ControlRecord {
  HWND hwnd = nullptr;
  int window = 0;
  pf::ControlKind kind{};
  int x = 0, y = 0, width = 0, height = 0;   // logical, relative to window or page
  int tabPanel = -1, tabIndex = 0;
  bool visible = true;                        // as the program asked
  HBRUSH pageBrush = nullptr;                 // tab panels: their painted page
};

struct TrayRecord {
  int window = 0;
  int image = 0;
  std::string tooltip;
  bool shown = false;   // in the notification area now
};

struct State {
  HINSTANCE instance = nullptr;
  int dpi = 96;
  bool shuttingDown = false;
  int modalDepth = 0;                         // message boxes, requesters open
  bool settingText = false;                   // the program, not the user, changes a field
  bool quitReceived = false;
  UINT taskbarCreated = 0;
  HFONT fonts[5] = {};
  bool ownFont[5] = {};
  std::map<int, WindowRecord> windows;
  std::map<int, ControlRecord> controls;
  std::map<int, pf::ControlKind> lastCreated;   // per window, for option groups
  std::map<int, HICON> icons;
  std::map<int, TrayRecord> trays;
  std::map<int, HMENU> menus;
  std::map<int, std::set<int>> systemCommands;   // per window, items added to its system menu
  std::deque<pf::Event> events;
  std::vector<std::string> arrivedFiles;      // handed over or dropped, not yet taken
  HANDLE folderMutex = nullptr;               // held while this copy owns the program folder
  HWND receiver = nullptr;                    // takes files from later copies
};

State& S();

constexpr const char* kWindowClass = "TallowbridgeWindow";
constexpr UINT kTrayMessage = WM_APP + 1;

// Logical 96-DPI pixels to device pixels and back.
int Px(int logical);
int Logical(int px);

HWND WindowHandle(int window);
int WindowNumberOf(HWND hwnd);   // -1 when not one of ours
ControlRecord* Control(int control);
HFONT Font(pf::FontId id);

// Puts an event in the queue that WaitWindowEvent drains.
void Push(const pf::Event& event);

// Page controls of a tab panel: placed in its display area, shown only on
// their page.
void LayoutTabPages(int tabPanel);

// Labels and check boxes on a tab page take the page's own background; null
// for every other control, which keeps the window's.
HBRUSH PageBackground(HWND control, HDC dc);
void ForgetControl(ControlRecord& c);   // frees what a control's record holds

// Window procedure pieces living beside the state they touch.
LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool HandleTrayMessage(int window, UINT message, WPARAM wParam, LPARAM lParam);
void ReAddTrayIcons();
void DestroyTrayAndMenus();

// Files from outside: WM_DROPFILES on a program window (wParam: the HDROP),
// and the end of this copy's hold on the program folder.
void TakeDroppedFiles(int window, WPARAM drop);
void ReleaseProgramFolder();

// Modal sections (message boxes, requesters): ticks, tray clicks and close
// requests that arrive meanwhile are dropped, as the program expects.
struct ModalScope {
  ModalScope() { ++S().modalDepth; }
  ~ModalScope() { --S().modalDepth; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
};

// The window messages and requesters are owned by: the active program window.
HWND OwnerWindow();

// Path relative to the program directory unless it is absolute.
std::string ResolvePath(const std::string& path);

}  // namespace win32
