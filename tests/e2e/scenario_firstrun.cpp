// Scenario "firstrun": in an empty program folder the settings window comes
// first, on its "Required Settings" page, with OK disabled; its pages switch
// with the tabs; Cancel ends the program without showing the main window.
#include "controls.h"
#include "driver.h"

#include <commctrl.h>

#include <cstdio>

namespace e2e {

namespace {


struct PageControl {
  int id;
  int page;
  int x, y, width, height;   // within the page's display area
  const char* text;
};

const PageControl kPageControls[] = {
    {41, 0, 5, 72, 219, 20, "Required..."},
    {42, 0, 5, 25, 219, 20, "Required..."},
    {43, 0, 5, 5, 155, 20, "'lwsn.exe' Location:"},
    {44, 0, 5, 52, 185, 20, "Global Content Directory:"},
    {45, 0, 228, 25, 48, 20, "Locate"},
    {46, 0, 228, 71, 48, 20, "Locate"},
    {47, 1, 6, 3, 250, 25, " Load last project upon startup?"},
    {48, 1, 6, 26, 250, 25, " Continue rendering upon startup?"},
    {49, 1, 6, 49, 250, 25, " Confirm overwrite scene, if changed?"},
    {89, 1, 6, 72, 220, 25, " Scan mouse inactivity?  -  Timeout (mins):"},
};

std::string Rect(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

void CheckWindowControls(HWND settings) {
  LONG style = GetWindowLongA(settings, GWL_STYLE);
  Check((style & WS_CAPTION) == WS_CAPTION && (style & (WS_SYSMENU | WS_THICKFRAME)) == 0,
        "settings window has a title bar only");
  SIZE inner = InnerSize(settings);
  Check(inner.cx == 295 && inner.cy == 162, "settings window inner size 295x162",
        std::to_string(inner.cx) + "x" + std::to_string(inner.cy));
  struct {
    int id, x, y, width, height;
    const char* text;
  } fixed[] = {{50, 5, 135, 120, 20, "OK (save settings)"}, {51, 132, 135, 56, 20, "Cancel"}, {40, 5, 7, 285, 123, nullptr}};
  for (const auto& c : fixed) {
    HWND hwnd = GetDlgItem(settings, c.id);
    if (!Check(hwnd != nullptr, "control " + std::to_string(c.id) + " exists")) continue;
    RECT r = InnerRect(settings, hwnd);
    RECT want{c.x, c.y, c.x + c.width, c.y + c.height};
    Check(EqualRect(&r, &want) != 0, "control " + std::to_string(c.id) + " position and size", Rect(r));
    if (c.text) Check(Text(hwnd) == c.text, "control " + std::to_string(c.id) + " text", Text(hwnd));
  }
  Check(!IsWindowEnabled(GetDlgItem(settings, kSettingsOkButton)), "OK is disabled until lwsn.exe is located");
  Check(IsWindowEnabled(GetDlgItem(settings, kSettingsCancelButton)) != 0, "Cancel is enabled");
  HWND combo = GetDlgItem(settings, kTimeoutCombo);
  Check(combo && SendMessageW(combo, CB_GETCOUNT, 0, 0) == 7, "timeout list has 7 choices");
}

// Page controls lie at their place within the tab's display area; that area
// is found from control 42, and must lie inside the tab control below the tabs.
void CheckPage(HWND settings, int page) {
  HWND tab = GetDlgItem(settings, kSettingsTabs);
  RECT tabRect = InnerRect(settings, tab);
  RECT anchor = InnerRect(settings, GetDlgItem(settings, kLwsnPathField));
  POINT origin{anchor.left - 5, anchor.top - 25};
  Check(origin.x > tabRect.left && origin.y > tabRect.top + 10 && origin.x < tabRect.left + 10 &&
            origin.y < tabRect.top + 40,
        "page area inside the tab control", std::to_string(origin.x) + "," + std::to_string(origin.y));
  for (const auto& c : kPageControls) {
    std::string name = "control " + std::to_string(c.id);
    HWND hwnd = GetDlgItem(settings, c.id);
    if (!Check(hwnd != nullptr, name + " exists")) continue;
    bool shown = IsWindowVisible(hwnd) != 0;
    Check(shown == (c.page == page), name + (c.page == page ? " shown" : " hidden") + " on page " +
                                          std::to_string(page));
    if (c.page != page) continue;
    RECT r = InnerRect(settings, hwnd);
    RECT want{origin.x + c.x, origin.y + c.y, origin.x + c.x + c.width, origin.y + c.y + c.height};
    Check(EqualRect(&r, &want) != 0, name + " position and size", "is " + Rect(r) + ", wanted " + Rect(want));
    Check(Text(hwnd) == c.text, name + " text", Text(hwnd));
  }
}

void SwitchToSecondPage(const Program& program, HWND settings) {
  HWND tab = GetDlgItem(settings, kSettingsTabs);
  RECT item{};
  if (!Check(SendWithBuffer(program, tab, TCM_GETITEMRECT, 1, &item, sizeof item), "second tab found")) return;
  ClickAt(tab, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
  Check(WaitFor([&] { return SendMessageW(tab, TCM_GETCURSEL, 0, 0) == 1; }, 3000), "clicking the tab selects it");
  WaitFor([&] { return IsWindowVisible(GetDlgItem(settings, kLoadLastProjectCheck)) != 0; }, 3000);
}

// The Tab key walks the page in creation order: Cancel, the page's fields
// and buttons, then the tab strip.
void CheckTabOrder(HWND settings) {
  HWND cancel = GetDlgItem(settings, kSettingsCancelButton);
  for (int i = 0; i < 20 && FocusOf(settings) != cancel; ++i) {
    HWND before = FocusOf(settings);
    PostMessageA(before ? before : settings, WM_KEYDOWN, VK_TAB, 0);
    WaitFor([&] { return FocusOf(settings) != before; }, 1000);
  }
  if (!Check(FocusOf(settings) == cancel, "Tab reaches Cancel")) return;
  std::string order;
  for (int i = 0; i < 5; ++i) {
    HWND before = FocusOf(settings);
    PostMessageA(before, WM_KEYDOWN, VK_TAB, 0);
    WaitFor([&] { return FocusOf(settings) != before; }, 1000);
    if (!order.empty()) order += ' ';
    order += std::to_string(GetDlgCtrlID(FocusOf(settings)));
  }
  Check(order == "41 42 45 46 40", "Tab order on the Required Settings page", order);
}

// The settings file a first run writes: every setting at its default, no
// renderer known, the window position as the main window was created.
std::string DefaultSettingsFile(int x, int y) {
  return "[Required Settings]\r\nLWSN.EXE Location = \r\nContent Directory = \r\n;\r\n"
         "[Program Settings]\r\nWindowX = " + std::to_string(x) + "\r\nWindowY = " + std::to_string(y) +
         "\r\nTimeout = 10\r\nLoad last project upon startup = NO\r\n"
         "Continue rendering upon startup = NO\r\nConfirm overwrite scene file (if changed) = NO\r\n"
         "Detect mouse inactivity = NO\r\nLast Saved Project = \r\nLast Scene Directory = \r\n";
}

}  // namespace

int ScenarioFirstRun(const Setup& setup) {
  std::string programDir = Join(setup.work, "Tallowbridge");
  std::string exe = Join(programDir, "Tallowbridge.exe");
  if (!Check(MakeFolders(programDir) && CopyInto(setup.program, exe), "empty program folder prepared")) return 1;
  Program program;
  if (!Check(Start(exe, setup.work, program), "Tallowbridge.exe started")) return 1;
  HWND settings = nullptr;
  WaitFor([&] { return (settings = FindTop(program, kSettingsTitle)) != nullptr || !program.running(); }, 20000);
  if (!Check(settings != nullptr, "settings window 'Settings - Tallowbridge v1.1' shown first")) {
    program.kill();
    return 1;
  }
  Check(FindTop(program, kMainTitle) == nullptr, "main window stays hidden");
  const std::string iniPath = Join(programDir, "Tallowbridge.ini");
  const std::string written = ReadFile(iniPath);
  // The main window is created with its inner area at 150, 150; the file
  // stores where its frame's corner is then.
  RECT frame{150, 150, 150 + 294, 150 + 451};
  AdjustWindowRectEx(&frame, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE, 0);
  Check(written == DefaultSettingsFile(frame.left, frame.top),
        "settings file written at once with exactly the defaults, frame at " + std::to_string(frame.left) + "," +
            std::to_string(frame.top),
        written);
  CheckWindowControls(settings);
  CheckPage(settings, 0);
  OfferScreenshot(setup, "settings");
  CheckTabOrder(settings);
  SwitchToSecondPage(program, settings);
  CheckPage(settings, 1);
  OfferScreenshot(setup, "settings-user");

  Click(GetDlgItem(settings, kSettingsCancelButton));
  bool mainShown = false;
  bool ended = WaitFor(
      [&] {
        mainShown = mainShown || FindTop(program, kMainTitle) != nullptr;
        return !program.running();
      },
      10000);
  Check(ended, "Cancel ends the program");
  Check(ended && program.exitCode() == 0, "with exit code 0", std::to_string(program.exitCode()));
  Check(!mainShown, "the main window never showed");
  Check(ReadFile(iniPath) == written, "Cancel leaves the settings file as it was written");
  program.kill();
  return Failures() == 0 ? 0 : 1;
}

// Scenario "locate": the first run's way through: Locate opens the file
// requester, choosing lwsn.exe in LightWave's Programs folder sets the content
// directory (with a message) and enables OK, which saves and opens the main
// window with the log features of a build-690 renderer.
int ScenarioLocateRenderer(const Setup& setup) {
  std::string programDir = Join(setup.work, "Tallowbridge");
  std::string lightwave = Join(setup.work, "LightWave");
  std::string renderer = Join(Join(lightwave, "Programs"), "lwsn.exe");
  std::string exe = Join(programDir, "Tallowbridge.exe");
  if (!Check(MakeFolders(programDir) && MakeFolders(Join(lightwave, "Programs")) && CopyInto(setup.program, exe) &&
                 CopyInto(setup.renderer, renderer),
             "program folder and LightWave folder prepared"))
    return 1;
  Program program;
  if (!Check(Start(exe, setup.work, program), "Tallowbridge.exe started")) return 1;
  HWND settings = nullptr;
  WaitFor([&] { return (settings = FindTop(program, kSettingsTitle)) != nullptr || !program.running(); }, 20000);
  if (!Check(settings != nullptr, "settings window shown first")) {
    program.kill();
    return 1;
  }
  Click(GetDlgItem(settings, kLocateLwsnButton));
  HWND dialog = WaitForDialog(program, "Locate 'lwsn.exe'...");
  if (Check(dialog != nullptr, "Locate opens the requester 'Locate 'lwsn.exe'...'"))
    Check(ChooseInFileDialog(dialog, renderer), "lwsn.exe typed into the requester");
  HWND info = WaitForDialog(program, "Information");
  if (Check(info != nullptr, "choosing lwsn.exe shows an information message")) {
    Check(MessageBoxText(info) ==
              "Content Directory automatically default set to Lightwave, please relocate if not correct!",
          "the message says the content directory was set", MessageBoxText(info));
    Answer(info, IDOK);
  }
  HWND ok = GetDlgItem(settings, kSettingsOkButton);
  Check(WaitFor([&] { return IsWindowEnabled(ok) != 0; }, 5000), "OK becomes usable");
  Check(Text(GetDlgItem(settings, kLwsnPathField)) == renderer, "the renderer path field shows the choice",
        Text(GetDlgItem(settings, kLwsnPathField)));
  Check(Text(GetDlgItem(settings, kContentDirField)) == lightwave + "\\", "the content directory is LightWave's folder",
        Text(GetDlgItem(settings, kContentDirField)));
  const std::string iniPath = Join(programDir, "Tallowbridge.ini");
  Click(ok);
  HWND main = nullptr;
  WaitFor([&] { return (main = FindTop(program, kMainTitle)) != nullptr; }, 10000);
  if (Check(main != nullptr, "OK opens the main window")) {
    Check(FindTop(program, kSettingsTitle) == nullptr, "the settings window is gone");
    const std::string saved = ReadFile(iniPath);
    Check(saved.find("LWSN.EXE Location = " + renderer + "\r\nContent Directory = " + lightwave + "\\\r\n") !=
              std::string::npos,
          "OK rewrites the settings file with both paths", saved);
    HWND refresh = GetDlgItem(main, kRefreshLogButton);
    Check(refresh && (GetWindowLongA(refresh, GWL_STYLE) & WS_VISIBLE) != 0,
          "a build-690 renderer keeps Refresh Log visible");
    // Move the window by its frame as a user would; quitting must store
    // where its frame's corner now is.
    RECT frame{};
    GetWindowRect(main, &frame);
    const POINT before{frame.left, frame.top};
    SetWindowPos(main, nullptr, frame.left + 37, frame.top + 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    POINT inner{0, 0};
    WaitFor([&] {
      RECT now{};
      GetWindowRect(main, &now);
      inner = {now.left, now.top};
      return inner.x != before.x || inner.y != before.y;
    }, 5000);
    PostMessageA(main, WM_CLOSE, 0, 0);
    if (HWND box = WaitForDialog(program, "Question")) Answer(box, IDYES);
    Check(program.waitExit(10000), "the program ends after Yes");
    const std::string quit = ReadFile(iniPath);
    Check(quit.find("WindowX = " + std::to_string(inner.x) + "\r\nWindowY = " + std::to_string(inner.y) + "\r\n") !=
              std::string::npos,
          "quitting writes the window's new position " + std::to_string(inner.x) + "," + std::to_string(inner.y),
          quit);
    Check(quit.find("LWSN.EXE Location = " + renderer + "\r\n") != std::string::npos,
          "the settings file keeps the renderer path");
  }
  program.kill();
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
