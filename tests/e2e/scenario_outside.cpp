// Scenario "outside": what sits beside the described program. A second
// Tallowbridge.exe started from the same folder with two scene paths hands
// them to the running one and ends with code 0; the queue then renders with
// the time-left tooltip on the percentage, the system kept awake (read from
// the platform layer's trace, since Wine never sleeps) and released after,
// and one history line per scene, a path with a comma quoted.
#include "controls.h"
#include "driver.h"

#include <vector>

namespace e2e {

namespace {

// The first scene renders long enough for the window to be brought back,
// looked at and sent to the tray again while it runs.
constexpr int kFrames[] = {20, 12};
const char* const kAwake = "SetThreadExecutionState 0x80000001";
const char* const kReleased = "SetThreadExecutionState 0x80000000";

struct Outside {
  Installed installed;
  std::string trace, history;
  std::vector<std::string> scenes;
  Program program;
  HWND main = nullptr;
};

std::string SceneText(const std::string& renders, const std::string& name, int frames) {
  return StandInScene(1, frames, 1, Join(renders, name));
}

bool Prepare(const Setup& setup, Outside& o) {
  if (!Install(setup, o.installed)) return false;
  o.trace = Join(setup.work, "platform-trace.txt");
  o.history = Join(o.installed.programDir, "Tallowbridge-history.csv");
  SetEnvironmentVariableA("TB_PLATFORM_TRACE", o.trace.c_str());
  UseStandIn({{"TB_STANDIN_FRAME_MS", "600"}});
  const std::string renders = Join(setup.work, "Renders");
  o.scenes = {Join(Join(setup.work, "Night"), "dawn.lws"), Join(Join(setup.work, "My Scenes"), "dusk, take 2.lws")};
  return MakeFolders(renders) && MakeFolders(Join(setup.work, "Night")) && MakeFolders(Join(setup.work, "My Scenes")) &&
         WriteText(o.scenes[0], SceneText(renders, "dawn", kFrames[0])) &&
         WriteText(o.scenes[1], SceneText(renders, "dusk", kFrames[1]));
}

// The text of a visible hover tooltip (not a balloon) of the process, or
// empty when none is up.
std::string HoverTipText(const Program& p) {
  struct Search {
    DWORD pid;
    std::string text;
  } search{p.pi.dwProcessId, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        char cls[32] = {};
        DWORD pid = 0;
        GetClassNameA(hwnd, cls, sizeof cls);
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == s->pid && lstrcmpiA(cls, "tooltips_class32") == 0 && IsWindowVisible(hwnd) &&
            !(GetWindowLongA(hwnd, GWL_STYLE) & 0x40 /* TTS_BALLOON */))
          s->text = Text(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.text;
}

// The window brought back from the tray while the first scene renders, and
// the pointer rested on the percentage: its tooltip comes up as a user sees it.
void HoverOverPercentage(const Setup& setup, const Outside& o) {
  PostMessageA(o.main, WM_APP + 1, 0, WM_LBUTTONUP);
  if (!Check(WaitFor([&] { return IsWindowVisible(o.main) != 0; }, 5000), "the tray icon brings the window back"))
    return;
  RECT r{};
  GetWindowRect(GetDlgItem(o.main, kPercentDoneText), &r);
  SetCursorPos(r.left + 3, (r.top + r.bottom) / 2);
  Sleep(100);
  SetCursorPos(r.left + 6, (r.top + r.bottom) / 2);
  std::string shown;
  Check(WaitFor([&] { return (shown = HoverTipText(o.program)).rfind("about ", 0) == 0; }, 4000),
        "resting the pointer on the percentage shows the time left", shown);
  OfferScreenshot(setup, "time-left");
  SetCursorPos(5, 5);
  // Minimised, the window goes back to the tray, so the end is told by a balloon.
  PostMessageA(o.main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Check(WaitFor([&] { return !IsWindowVisible(o.main); }, 8000), "the minimised window goes back to the tray");
}

// A visible balloon of the notification area (shown by the shell, not by the
// program); its text, or empty when none is up.
std::string BalloonText() {
  struct Search {
    std::string text;
    bool found = false;
  } search;
  EnumWindows(
      [](HWND hwnd, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        char cls[32] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        if (lstrcmpiA(cls, "tooltips_class32") == 0 && IsWindowVisible(hwnd) &&
            (GetWindowLongA(hwnd, GWL_STYLE) & 0x40 /* TTS_BALLOON */)) {
          s->found = true;
          s->text = Text(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found ? (search.text.empty() ? std::string("(a balloon)") : search.text) : std::string();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

void HandOver(const Setup& setup, Outside& o) {
  Program second;
  const std::string arguments = "\"" + o.scenes[0] + "\" \"" + o.scenes[1] + "\"";
  if (!Check(Start(o.installed.exe, setup.work, second, arguments), "a second Tallowbridge.exe started")) return;
  const bool ended = second.waitExit(20000);
  Check(ended && second.exitCode() == 0, "the second copy ends with exit code 0", std::to_string(second.exitCode()));
  if (second.running()) second.kill();
  HWND list = GetDlgItem(o.main, kQueueList);
  Check(WaitFor([&] { return ListCount(list) == 2; }, 5000) && ListLine(list, 0) == o.scenes[0] &&
            ListLine(list, 1) == o.scenes[1],
        "the first copy queued both scenes in their order", ListLine(list, 0) + " | " + ListLine(list, 1));
}

// While the queue renders: the percentage's tooltip tells the time left,
// and the system is required.
void WatchRender(const Setup& setup, Outside& o) {
  Click(GetDlgItem(o.main, kStartQueueButton));
  std::string tip;
  bool estimated = WaitFor(
      [&] {
        tip = Tooltips(o.program)[kPercentDoneText];
        return tip.rfind("about ", 0) == 0;
      },
      15000);
  Check(estimated || tip == "estimating\x85", "the percentage's tooltip tells the time left while rendering", tip);
  if (estimated) HoverOverPercentage(setup, o);
  Check(ReadFile(o.trace).find(kAwake) != std::string::npos, "the system is required while the renderer works",
        ReadFile(o.trace));
  std::string balloon;
  bool ended = WaitFor(
      [&] {
        if (balloon.empty()) balloon = BalloonText();
        return Lines(ReadFile(o.history)).size() == 3 && IsWindowVisible(o.main);
      },
      60000);
  Check(ended, "the history has a header and one line per scene", ReadFile(o.history));
  // The window was hidden while the queue rendered: its end is told.
  WaitFor([&] { return !balloon.empty() || !(balloon = BalloonText()).empty(); }, 5000);
  Check(balloon.rfind("Queue finished: 2 scenes, 32 frames in ", 0) == 0, "a balloon tells that the queue finished",
        balloon);
  OfferScreenshot(setup, "balloon");
  Check(WaitFor(
            [&] {
              const std::vector<std::string> trace = Lines(ReadFile(o.trace));
              return !trace.empty() && trace.back() == kReleased;
            },
            5000),
        "the system is released when the queue is done", ReadFile(o.trace));
}

void CheckHistory(const Outside& o) {
  const std::vector<std::string> lines = Lines(ReadFile(o.history));
  if (!Check(lines.size() == 3, "three history lines")) return;
  Check(lines[0] ==
            "start,end,scene,first frame,last frame,step,frames at start,frames at end,result,exit code,"
            "seconds per frame",
        "the history's header", lines[0]);
  const std::string tails[] = {"," + o.scenes[0] + ",1,20,1,0,20,finished,0,",
                               ",\"" + o.scenes[1] + "\",1,12,1,0,12,finished,0,"};
  for (int i = 0; i < 2; ++i) {
    const std::string& line = lines[static_cast<size_t>(i) + 1];
    // "2026-12-07T22:00:00+01:00," twice, then the scene's fields.
    bool times = line.size() > 52 && line[10] == 'T' && line[25] == ',' && line[36] == 'T' && line[51] == ',';
    Check(times && line.compare(51, tails[i].size(), tails[i]) == 0, "history line of scene " + std::to_string(i + 1),
          line);
  }
}

}  // namespace

int ScenarioOutside(const Setup& setup) {
  Outside o;
  if (!Check(Prepare(setup, o), "program folder and two scenes prepared")) return 1;
  o.main = StartMainWindow(o.installed, setup, o.program);
  if (!o.main) return 1;
  HandOver(setup, o);
  WatchRender(setup, o);
  CheckHistory(o);
  Check(QuitWithYes(o.program, o.main), "the program quits with Yes");
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
