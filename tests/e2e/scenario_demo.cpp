// Scenario "demo": the run of scripts/demo on a machine without a display.
// The demo folder holds Tallowbridge.exe and a settings file that reloads
// the demo project and continues rendering it at start-up. The driver
// answers the start-up message, lets the queue render to its end, offers
// screenshots of the main window while rendering, widened with the output
// listing, and finished, then of the settings, scene settings, output
// filename and About windows, and quits the program. In every window it
// shows, each caption must fit its control in the font it is drawn with.
//
//   tbdriver demo <demo folder\Tallowbridge.exe> <lwsn.exe> <demo folder>
//
// A screenshot is offered as "name x y width height" in shot-ready: the
// window's place on the screen, so that the runner can cut it out.
#include <cstdio>
#include <string>
#include <vector>

#include "controls.h"
#include "driver.h"

#include <commctrl.h>

namespace e2e {

namespace {

const char* const kFinished = "LWSN was finished...";

// The tray icon's message to the main window (a left click restores it).
constexpr UINT kTrayMessage = WM_APP + 1;

constexpr int kRenderTimeoutMs = 150000;

// ---- captions ---------------------------------------------------------------

// The program's fonts: "Tahoma" 8 point bold, regular, and bold underlined
// for headings, and the system's control font, made here as the program
// makes them.
enum FontKind { kBold, kRegular, kHeading, kSystem, kFontKinds };

struct FontBook {
  HFONT fonts[kFontKinds] = {};

  FontBook() {
    const int height = -MulDiv(8, ScreenDpi(), 72);
    auto tahoma = [height](int weight, bool underline) {
      return CreateFontA(height, 0, 0, 0, weight, FALSE, underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
    };
    fonts[kBold] = tahoma(FW_BOLD, false);
    fonts[kRegular] = tahoma(FW_NORMAL, false);
    fonts[kHeading] = tahoma(FW_BOLD, true);
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = MulDiv(lf.lfHeight, ScreenDpi(), 96);
    lf.lfWidth = 0;
    fonts[kSystem] = CreateFontIndirectA(&lf);
  }
  ~FontBook() {
    for (HFONT font : fonts) DeleteObject(font);
  }
  FontBook(const FontBook&) = delete;
  FontBook& operator=(const FontBook&) = delete;
};

// The controls of each window that do not draw in the regular font. (A
// control's font cannot be asked for from another process under Wine.)
struct WindowFonts {
  const char* title;
  std::vector<int> bold, heading, system;
};
const WindowFonts kWindowFonts[] = {
    {kMainTitle, {1, 12, 20, 21, 23, 24, 25, 31, 36, 86}, {}, {8}},
    {kSettingsTitle, {50}, {43, 44}, {40, 45, 46, 51, 89}},
    {kSceneSettingsTitle, {55, 57, 59, 61, 63, 77}, {65, 69, 72}, {62, 64, 66, 67, 68, 70, 71, 73, 74, 75, 76}},
    {kFilenameTitle, {81, 83, 85}, {}, {84}},
};

bool Holds(const std::vector<int>& ids, int id) {
  for (int each : ids)
    if (each == id) return true;
  return false;
}

FontKind FontOf(const std::string& windowTitle, int id) {
  for (const auto& w : kWindowFonts) {
    if (windowTitle != w.title) continue;
    if (Holds(w.bold, id)) return kBold;
    if (Holds(w.heading, id)) return kHeading;
    if (Holds(w.system, id)) return kSystem;
  }
  return kRegular;
}

// The width a control leaves its caption, laid out as Wine's controls lay
// it out: a label the whole width; a check box or option button after its
// 13-pixel box (at 96 DPI) and half the width of "0"; a push button inside
// its 2-pixel edge and a pixel of gap on each side; a group frame after a
// short line on the left and before one on the right. -1: not a caption.
int CaptionRoom(HWND control, HDC dc, int dpi) {
  char cls[64] = {};
  GetClassNameA(control, cls, sizeof cls);
  RECT r{};
  GetClientRect(control, &r);
  const int width = r.right - r.left;
  if (lstrcmpiA(cls, "Static") == 0) return width;
  if (lstrcmpiA(cls, "Button") != 0) return -1;
  switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: {
      INT zero = 0;
      GetCharWidth32W(dc, L'0', L'0', &zero);
      return width - (12 * dpi / 96 + 1) - zero / 2;
    }
    case BS_GROUPBOX: return width - 2 * MulDiv(8, dpi, 96);
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: return width - 2 * MulDiv(3, dpi, 96);
    default: return -1;
  }
}

struct Caption {
  HWND hwnd;
  int id;
};

BOOL CALLBACK CollectCaption(HWND hwnd, LPARAM data) {
  auto* list = reinterpret_cast<std::vector<Caption>*>(data);
  if (IsWindowVisible(hwnd)) list->push_back({hwnd, GetDlgCtrlID(hwnd)});
  return TRUE;
}

// Every visible caption of the window fits the room its control gives it.
void CheckCaptions(const FontBook& book, HWND window, const std::string& name) {
  const std::string title = Text(window);
  std::vector<Caption> captions;
  EnumChildWindows(window, CollectCaption, reinterpret_cast<LPARAM>(&captions));
  HDC dc = GetDC(nullptr);
  const int dpi = ScreenDpi();
  int checked = 0;
  for (const Caption& c : captions) {
    const std::string text = Text(c.hwnd);
    if (text.empty()) continue;
    HGDIOBJ old = SelectObject(dc, book.fonts[FontOf(title, c.id)]);
    const int room = CaptionRoom(c.hwnd, dc, dpi);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    if (room < 0) continue;
    ++checked;
    const std::string what = name + ": caption '" + text + "' (control " + std::to_string(c.id) + ")";
    const std::string detail = std::to_string(size.cx) + " pixels wide, room for " + std::to_string(room);
    Check(size.cx <= room, what + " fits", detail);
  }
  ReleaseDC(nullptr, dc);
  Check(checked > 0, name + ": its captions were measured", std::to_string(checked));
}

// ---- screenshots ------------------------------------------------------------

void OfferWindowShot(const Setup& setup, const std::string& name, HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  // Let the window finish painting first.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(300);
  std::string place = name + " " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                      std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top) + "\n";
  std::string done = Join(setup.work, "shot-done");
  DeleteFileA(done.c_str());
  WriteText(Join(setup.work, "shot-ready"), place);
  Check(WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000),
        "screenshot '" + name + "' taken");
}

// ---- the run ----------------------------------------------------------------

struct Demo {
  const Setup& setup;
  Program program;
  HWND main = nullptr;
  FontBook fonts;
};

std::string StatusOf(HWND main) { return Text(GetDlgItem(main, kStatusText)); }

// "k of n" in the frames text; false for "none" and anything else.
bool FramesOf(HWND main, long& done, long& expected) {
  std::string text = Text(GetDlgItem(main, kFramesRenderedText));
  return std::sscanf(text.c_str(), "%ld of %ld", &done, &expected) == 2;
}

std::string FilePart(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// Waits for the second scene to render with some of its frames done, so that
// the pictures show a run in the middle of the queue.
bool WaitForSecondScene(Demo& d) {
  HWND list = GetDlgItem(d.main, kQueueList);
  if (!Check(ListCount(list) >= 2, "the demo project queued its scenes", std::to_string(ListCount(list))))
    return false;
  const std::string second = "Rendering: " + FilePart(ListLine(list, 1));
  bool reached = WaitFor(
      [&] {
        AnswerStrayMessage(d.program, "while rendering");
        long done = 0, expected = 0;
        return StatusOf(d.main) == second && FramesOf(d.main, done, expected) && done >= 2 && done < expected;
      },
      kRenderTimeoutMs);
  return Check(reached, "'" + second + "' with some of its frames done",
               StatusOf(d.main) + ", " + Text(GetDlgItem(d.main, kFramesRenderedText)));
}

void ShowMainWindow(HWND main) {
  PostMessageA(main, kTrayMessage, 0, WM_LBUTTONUP);
  Check(WaitFor([&] { return IsWindowVisible(main) != 0; }, 5000), "the tray icon brings the main window back");
}

void ShootWhileRendering(Demo& d) {
  if (!WaitForSecondScene(d)) return;
  ShowMainWindow(d.main);
  Check(Text(GetDlgItem(d.main, kStartQueueButton)) == "Stop Queue!", "the start button reads Stop Queue! while rendering",
        Text(GetDlgItem(d.main, kStartQueueButton)));
  CheckCaptions(d.fonts, d.main, "main window");
  OfferWindowShot(d.setup, "main-rendering", d.main);

  // The output view lists the frame files written so far.
  Click(GetDlgItem(d.main, kViewOutputDirButton));
  const int wide = MulDiv(600, ScreenDpi(), 96);
  Check(WaitFor([&] { return InnerSize(d.main).cx == wide; }, 5000), "View Output Directory >> widens the window",
        std::to_string(InnerSize(d.main).cx));
  HWND listing = GetDlgItem(d.main, kOutputListingView);
  Check(WaitFor([&] { return Text(listing).find("End Of Output") != std::string::npos; }, 5000),
        "the output view lists the scene's frames");
  CheckCaptions(d.fonts, d.main, "main window");
  OfferWindowShot(d.setup, "main-output", d.main);
  Click(GetDlgItem(d.main, kViewOutputDirButton));
  Check(WaitFor([&] { return InnerSize(d.main).cx == MulDiv(294, ScreenDpi(), 96); }, 5000),
        "Close Directory View << narrows the window again");
}

// The end of each scene shows the window with "LWSN was finished..." for a
// moment, until the next scene hides it again; the end of the queue is when
// that lasts.
bool WaitForEnd(Demo& d) {
  DWORD since = 0;
  bool ended = WaitFor(
      [&] {
        AnswerStrayMessage(d.program, "while rendering");
        if (StatusOf(d.main) != kFinished || !IsWindowVisible(d.main)) {
          since = 0;
          return false;
        }
        if (since == 0) since = GetTickCount();
        return GetTickCount() - since >= 1500;
      },
      kRenderTimeoutMs);
  if (!Check(ended, "the queue renders to its end and the main window comes back", StatusOf(d.main))) return false;
  HWND list = GetDlgItem(d.main, kQueueList);
  Check(SendMessageW(list, LB_GETCURSEL, 0, 0) == 0, "the first scene is selected again");
  long done = 0, expected = 0;
  Check(FramesOf(d.main, done, expected) && done == expected && expected > 0,
        "the first scene's frames are all there", Text(GetDlgItem(d.main, kFramesRenderedText)));
  Check(Text(GetDlgItem(d.main, kPercentDoneText)) == "(100% done)", "(100% done)",
        Text(GetDlgItem(d.main, kPercentDoneText)));
  Check(Text(GetDlgItem(d.main, kStartQueueButton)) == "Scene Done!", "the start button reads Scene Done!",
        Text(GetDlgItem(d.main, kStartQueueButton)));
  return true;
}

HWND OpenWindow(Demo& d, int button, const std::string& title) {
  Click(GetDlgItem(d.main, button));
  HWND found = nullptr;
  WaitFor(
      [&] {
        AnswerStrayMessage(d.program, "opening '" + title + "'");
        return (found = FindTop(d.program, title)) != nullptr;
      },
      5000);
  Check(found != nullptr, "'" + title + "' opens");
  return found;
}

void CloseWindow(HWND window, int cancel, const std::string& title) {
  Click(GetDlgItem(window, cancel));
  Check(WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 5000),
        "Cancel closes '" + title + "'");
}

void ShootWindow(Demo& d, int button, const std::string& title, int cancel, const std::string& shot) {
  HWND window = OpenWindow(d, button, title);
  if (!window) return;
  CheckCaptions(d.fonts, window, title);
  OfferWindowShot(d.setup, shot, window);
  CloseWindow(window, cancel, title);
}

// The settings window: both of its pages.
void ShootSettings(Demo& d) {
  HWND window = OpenWindow(d, kSettingsButton, kSettingsTitle);
  if (!window) return;
  CheckCaptions(d.fonts, window, kSettingsTitle);
  OfferWindowShot(d.setup, "settings", window);
  HWND tab = GetDlgItem(window, kSettingsTabs);
  RECT item{};
  if (Check(SendWithBuffer(d.program, tab, TCM_GETITEMRECT, 1, &item, sizeof item), "the settings' second tab found")) {
    ClickAt(tab, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
    Check(WaitFor([&] { return SendMessageW(tab, TCM_GETCURSEL, 0, 0) == 1; }, 3000), "the second tab shown");
    CheckCaptions(d.fonts, window, std::string(kSettingsTitle) + ", second tab");
    OfferWindowShot(d.setup, "settings-switches", window);
  }
  CloseWindow(window, kSettingsCancelButton, kSettingsTitle);
}

void ShootAbout(Demo& d) {
  Click(GetDlgItem(d.main, kAboutButton));
  HWND about = WaitForDialog(d.program, "Information");
  if (!Check(about != nullptr, "About opens 'Information'")) return;
  Check(MessageBoxText(about).find("Render Queue Manager") != std::string::npos, "About tells what the program is");
  OfferWindowShot(d.setup, "about", about);
  Answer(about, IDOK);
  Check(WaitFor([&] { return !IsWindow(about); }, 5000), "OK closes About");
}

}  // namespace

int ScenarioDemo(const Setup& setup) {
  Demo d{setup, {}, nullptr, {}};
  const std::string folder = setup.program.substr(0, setup.program.rfind('\\'));
  if (!Check(Start(setup.program, folder, d.program), "Tallowbridge.exe started")) return 1;
  // Reload and continue: the program says so before it starts the queue.
  HWND info = WaitForDialog(d.program, "Info", 30000);
  if (!Check(info != nullptr, "the start-up message 'Info' is shown")) {
    d.program.kill();
    return 1;
  }
  Check(MessageBoxText(info) == "continues", "it says the queue continues", MessageBoxText(info));
  // The main window is shown behind the message; it hides once the queue runs.
  d.main = FindTop(d.program, kMainTitle);
  if (!Check(d.main != nullptr, "the main window is shown behind the message")) {
    d.program.kill();
    return 1;
  }
  Answer(info, IDOK);
  const DWORD started = GetTickCount();
  bool rendering = WaitFor([&] { return StatusOf(d.main).rfind("Rendering: ", 0) == 0; }, 10000);
  Check(rendering, "the queue starts rendering at once", StatusOf(d.main));
  if (rendering) ShootWhileRendering(d);
  if (WaitForEnd(d)) {
    std::printf("demo: the queue rendered in %.1f s\n", (GetTickCount() - started) / 1000.0);
    CheckCaptions(d.fonts, d.main, "main window");
    OfferWindowShot(setup, "main-finished", d.main);
    ShootSettings(d);
    ShootWindow(d, kEditSceneButton, kSceneSettingsTitle, kSceneSettingsCancelButton, "scene-settings");
    ShootWindow(d, kOutputFilenameButton, kFilenameTitle, kFilenameCancelButton, "output-filename");
    ShootAbout(d);
  }
  Check(QuitWithYes(d.program, d.main) && d.program.exitCode() == 0, "the program quits with exit code 0");
  d.program.kill();
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
