// Scenario "mainwindow": the main window as it first comes up, minimising to
// the tray and back, and the quit question.
#include <set>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {


struct Expected {
  int id;
  int x, y, width, height;
  const char* text;      // nullptr: not compared
  const char* tooltip;   // nullptr: not compared; "": none
};

// The main window's controls as the user sees them after start-up.
const Expected kControls[] = {
    {1, 4, 56, 285, 184, " Scene Queue Management ", ""},
    {2, 10, 75, 89, 22, "Add Scene", "Add scene to queue...."},
    {3, 10, 386, 135, 22, "Edit Scene Settings...",
     "Click to edit common scene settings and predefined preview settings... "},
    {4, 194, 75, 89, 22, "Clear Scene(s)", "Remove selected scene from queue...."},
    {5, 10, 100, 89, 22, "View Scene(LW)", "View the selected scene in Lightwave..."},
    {6, 102, 75, 89, 22, "Up In Queue", "Move selected item up in queue..."},
    {7, 102, 100, 89, 22, "Down In Queue", "Move selected item down in queue..."},
    {8, 11, 128, 271, 66, nullptr, nullptr},
    {9, 11, 217, 154, 16, " Parent Dir+Scene File(s) Only", "Shows one parent directory and scene filenames..."},
    {10, 11, 198, 112, 17, " Scene Files(s) Only", "Shows all scene filenames, without any paths..."},
    {11, 166, 198, 112, 17, " LWSN High Priority!",
     "Will set/reset LWSN.EXE priority to HIGH or reset back to IDLE (default)"},
    {92, 166, 217, 112, 17, " LWSN Console View",
     "Will open up a console window with LWSN's output (before QUEUE START)"},
    {12, 4, 248, 285, 197, " Render Progress And Scene Details ", ""},
    {13, 11, 311, 85, 19, "", ""},
    {14, 104, 311, 85, 19, "", ""},
    {15, 197, 311, 85, 19, "", ""},
    {16, 10, 334, 97, 22, "Output Directory:", "Click to change output directory..."},
    {17, 111, 335, 171, 20, "", ""},
    {18, 10, 360, 97, 22, "Output Filename:", "Click to change output filename...."},
    {19, 111, 361, 171, 20, "", "Extension in brackets means there will be no extension on saved frames"},
    {36, 11, 427, 113, 14, "Background Status:", ""},
    {22, 126, 427, 153, 15, "Awaiting Action...", ""},
    {31, 24, 411, 100, 14, "Current Project:", ""},
    {37, 126, 411, 154, 15, "0 Scene File(s) In Queue", ""},
    {20, 194, 100, 89, 22, "Start Queue!", "Start/stops or continues the background rendering..."},
    {23, 13, 268, 110, 16, "Frames Rendered:", ""},
    {24, 122, 268, 90, 16, "none", ""},
    {21, 198, 268, 85, 16, "(0% done)", ""},
    {25, 5, 4, 285, 46, " Main Program Settings", ""},
    {26, 10, 21, 76, 22, "Load Project", "Load a saved project..."},
    {27, 90, 21, 76, 22, "Save Project", "Save curent project...."},
    {28, 148, 386, 135, 22, "View Output Directory >>", "Will show the filenames in the output directory..."},
    {29, 238, 21, 46, 22, "About", ""},
    {30, 169, 21, 65, 22, "Settings...", "Program behaviour and user settings...."},
    {32, 10, 288, 87, 22, "First Frame:", "Click to change first frame..."},
    {33, 103, 288, 87, 22, "Last Frame:", "Click to change last frame..."},
    {34, 196, 288, 87, 22, "Frame Step:", "Click to change frame step..."},
    {35, 295, 10, 300, 300, nullptr, ""},
    {96, 294, 313, 260, 16, "LWSN Output Log: (LW8/LWSN Build 690+ only)", ""},
    {95, 295, 330, 300, 90, nullptr, ""},
    {86, 295, 424, 120, 22, "Delete all frames !",
     "Danger! Will delete all rendered frames in current output directory!"},
    {87, 415, 424, 92, 22, "View Image(s)",
     "Will view the last image in queue. Will start your external default image viewer!"},
    {97, 508, 424, 87, 22, "Refresh Log", "Will refresh the LWSN output log file (only for LW8+)"},
};

const std::set<int> kStartDisabled = {4, 10, 9, 27, 20, 5, 6, 7, 16, 18, 17, 19,
                                      32, 33, 34, 13, 14, 15, 21, 3, 28, 86, 87};

std::string Rect(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

void CheckControls(const Program& program, HWND main) {
  int dpi = ScreenDpi();
  auto px = [dpi](int v) { return MulDiv(v, dpi, 96); };
  std::map<int, std::string> tips = Tooltips(program);
  for (const auto& c : kControls) {
    std::string name = "control " + std::to_string(c.id);
    HWND hwnd = GetDlgItem(main, c.id);
    if (!Check(hwnd != nullptr, name + " exists")) continue;
    RECT r = InnerRect(main, hwnd);
    RECT want{px(c.x), px(c.y), px(c.x + c.width), px(c.y + c.height)};
    Check(EqualRect(&r, &want) != 0, name + " position and size", "is " + Rect(r) + ", wanted " + Rect(want));
    if (c.text) {
      std::string text = Text(hwnd);
      Check(text == c.text, name + " text", "'" + text + "'");
    }
    if (c.tooltip) {
      auto tip = tips.find(c.id);
      std::string have = tip == tips.end() ? "" : tip->second;
      Check(have == c.tooltip, name + " tooltip", "'" + have + "'");
    }
    bool disabled = kStartDisabled.count(c.id) > 0;
    Check((IsWindowEnabled(hwnd) == 0) == disabled, name + (disabled ? " starts disabled" : " starts enabled"));
  }
  Check(static_cast<int>(kStartDisabled.size()) == 23, "23 controls start disabled");
}

void CheckFrame(HWND main) {
  LONG style = GetWindowLongA(main, GWL_STYLE);
  Check((style & WS_SYSMENU) != 0, "main window has a system menu and close box");
  Check((style & WS_MINIMIZEBOX) != 0, "main window has a minimise box");
  Check((style & WS_MAXIMIZEBOX) == 0, "main window has no maximise box");
  Check((style & WS_THICKFRAME) == 0, "main window cannot be resized");
  SIZE inner = InnerSize(main);
  int dpi = ScreenDpi();
  Check(inner.cx == MulDiv(294, dpi, 96) && inner.cy == MulDiv(451, dpi, 96), "main window inner size 294x451",
        std::to_string(inner.cx) + "x" + std::to_string(inner.cy));
}

// The tray icon's left click, as the notification area reports it.
void ClickTrayIcon(HWND main) { PostMessageA(main, WM_APP + 1, 0, WM_LBUTTONUP); }

void MinimiseAndRestore(HWND main) {
  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Check(WaitFor([&] { return !IsWindowVisible(main); }, 5000), "minimising hides the main window");
  ClickTrayIcon(main);
  Check(WaitFor([&] { return IsWindowVisible(main) && !IsIconic(main); }, 5000),
        "a left click on the tray icon brings the main window back");
}

void CheckAbout(const Program& program, HWND main) {
  Click(GetDlgItem(main, kAboutButton));
  HWND box = WaitForDialog(program, "Information");
  if (!Check(box != nullptr, "About shows an information box")) return;
  Check(MessageBoxText(box) ==
            "Tallowbridge v1.1  (Compiled: 17/8-2004)\n- Render Queue Manager for Newtek LWSN (Newtek Lightwave 7.0, "
            "7.5 and 8.0)\n- Suitable for single machine systems\n- Uses idle cpu time to render scenes in background",
        "the About text", MessageBoxText(box));
  Check(GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDYES) == nullptr, "the About box has OK only");
  Answer(box, IDOK);
  Check(WaitFor([&] { return !IsWindow(box); }, 5000), "OK closes the About box");
}

// "Settings..." opens the settings window 20 pixels right of and below the
// main window, on top of all others; Cancel closes it again.
void CheckSettingsFromMain(const Program& program, HWND main) {
  Click(GetDlgItem(main, kSettingsButton));
  HWND settings = nullptr;
  WaitFor([&] { return (settings = FindTop(program, "Settings - Tallowbridge v1.1")) != nullptr; }, 5000);
  if (!Check(settings != nullptr, "Settings... opens the settings window")) return;
  POINT mainOrigin{0, 0}, settingsOrigin{0, 0};
  ClientToScreen(main, &mainOrigin);
  ClientToScreen(settings, &settingsOrigin);
  int dpi = ScreenDpi();
  Check(settingsOrigin.x - mainOrigin.x == MulDiv(20, dpi, 96) && settingsOrigin.y - mainOrigin.y == MulDiv(20, dpi, 96),
        "the settings window sits 20,20 from the main window",
        std::to_string(settingsOrigin.x - mainOrigin.x) + "," + std::to_string(settingsOrigin.y - mainOrigin.y));
  Check((GetWindowLongA(settings, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, "the settings window is topmost");
  Check(IsWindowEnabled(GetDlgItem(settings, kSettingsOkButton)) != 0, "OK is usable with a known renderer");
  Check(Text(GetDlgItem(settings, kLwsnPathField)).find("lwsn.exe") != std::string::npos, "the renderer path is shown",
        Text(GetDlgItem(settings, kLwsnPathField)));
  Click(GetDlgItem(settings, kSettingsCancelButton));
  Check(WaitFor([&] { return !IsWindow(settings); }, 5000), "Cancel closes the settings window");
  Check(WaitFor([&] { return GetForegroundWindow() == main; }, 3000), "the main window is active again");
}

// Tab moves the keyboard focus to the next usable control in creation order:
// from Add Scene (2) past the disabled 3 to 7 on to the queue list (8).
void CheckTabKey(HWND main) {
  HWND add = GetDlgItem(main, kAddSceneButton);
  PostMessageA(main, WM_ACTIVATE, WA_ACTIVE, 0);
  WaitFor([&] { return FocusOf(main) != nullptr; }, 2000);
  for (int i = 0; i < 45 && FocusOf(main) != add; ++i) {
    HWND before = FocusOf(main);
    PostMessageA(before, WM_KEYDOWN, VK_TAB, 0);
    WaitFor([&] { return FocusOf(main) != before; }, 1000);
  }
  if (!Check(FocusOf(main) == add, "Tab reaches Add Scene")) return;
  PostMessageA(add, WM_KEYDOWN, VK_TAB, 0);
  HWND next = nullptr;
  WaitFor([&] { return (next = FocusOf(main)) != add; }, 2000);
  Check(next == GetDlgItem(main, kQueueList), "Tab moves from Add Scene to the queue list",
        std::to_string(next ? GetDlgCtrlID(next) : -1));
}

HWND WaitForQuestion(const Program& program) {
  HWND box = nullptr;
  WaitFor([&] { return (box = FindTop(program, "Question", "#32770")) != nullptr; }, 5000);
  return box;
}

void QuitNoThenYes(const Program& program, HWND main) {
  PostMessageA(main, WM_CLOSE, 0, 0);
  HWND box = WaitForQuestion(program);
  if (Check(box != nullptr, "the close box asks a question")) {
    Check(MessageBoxText(box) == "Do you really want to quit?", "the question is 'Do you really want to quit?'",
          MessageBoxText(box));
    Answer(box, IDNO);
    Check(WaitFor([&] { return !IsWindow(box); }, 5000), "No closes the question");
    Check(!program.waitExit(700) && IsWindow(main), "No leaves the program running");
  }
  PostMessageA(main, WM_CLOSE, 0, 0);
  box = WaitForQuestion(program);
  if (Check(box != nullptr, "the close box asks again")) Answer(box, IDYES);
  if (Check(program.waitExit(10000), "Yes ends the program"))
    Check(program.exitCode() == 0, "exit code 0", std::to_string(program.exitCode()));
}

}  // namespace

int ScenarioMainWindow(const Setup& setup) {
  Installed installed;
  if (!Check(Install(setup, installed), "program folder prepared")) return 1;
  Program program;
  HWND main = StartMainWindow(installed, setup, program);
  if (!main) return 1;
  Check(FindTop(program, "Settings - Tallowbridge v1.1") == nullptr, "no settings window with a known renderer");
  CheckFrame(main);
  CheckControls(program, main);
  OfferScreenshot(setup, "main");
  CheckTabKey(main);
  CheckAbout(program, main);
  CheckSettingsFromMain(program, main);
  MinimiseAndRestore(main);
  QuitNoThenYes(program, main);
  program.kill();
  return Failures() == 0 ? 0 : 1;
}

// Scenario "wideview" (for a screenshot, not in the default run): the main
// window stretched from outside to its wide size, to look at the output
// listing, the log view and their buttons.
int ScenarioWideView(const Setup& setup) {
  Installed installed;
  if (!Check(Install(setup, installed), "program folder prepared")) return 1;
  Program program;
  HWND main = StartMainWindow(installed, setup, program);
  if (!main) return 1;
  RECT outer{}, inner{};
  GetWindowRect(main, &outer);
  GetClientRect(main, &inner);
  int extra = MulDiv(600, ScreenDpi(), 96) - inner.right;
  SetWindowPos(main, nullptr, 0, 0, outer.right - outer.left + extra, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER);
  OfferScreenshot(setup, "wide");
  Check(QuitWithYes(program, main), "the program quits");
  program.kill();
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
