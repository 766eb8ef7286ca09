// Scenario "overnight": the [Overnight] settings under Wine with the
// stand-in renderer. Four scenes with NEXT, one retry and a one-minute frame
// timeout: scene 2 exits with 3, scene 3 hangs; scenes 1 and 4 are rendered,
// scene 2 is started twice, scene 3 is ended after about a minute each try,
// the status reads "Finished: 2 of 4 scenes failed", the history holds six
// lines and the shutdown countdown is cancelled. Then, started again, a
// scene whose frame 5 of 5 was cut short waits for the next minute, renders
// frame 5 again, and the countdown runs to zero: the trace shows the
// shutdown request (with the trace set, none is made).
#include <ctime>
#include <vector>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {

constexpr int kCountdownWindowLabel = 241;
constexpr int kCountdownCancel = 242;
constexpr const char* kCountdownText = "The queue is done. The computer will shut down in ";

struct Night {
  Installed installed;
  std::string scenes, out, argsFile, trace, history, ini;
};

std::string ScenePath(const Night& n, int i) { return Join(n.scenes, "s" + std::to_string(i) + ".lws"); }
std::string Prefix(const Night& n, int i) { return Join(n.out, "s" + std::to_string(i)) + "\\f"; }

// A whole TGA frame of the stand-in's 32 x 24 at 24 bits, or its first bytes.
std::string Tga(size_t keep = std::string::npos) {
  std::string header(18, '\0');
  header[2] = 2;
  header[12] = 32;
  header[14] = 24;
  header[16] = 24;
  return (header + std::string(32 * 24 * 3, '\x40')).substr(0, keep);
}

bool Prepare(const Setup& setup, Night& n, const std::string& overnight) {
  if (!Install(setup, n.installed)) return false;
  n.scenes = Join(setup.work, "Scenes");
  n.out = Join(setup.work, "Out");
  n.argsFile = Join(setup.work, "renderer-args.txt");
  n.trace = Join(setup.work, "platform-trace.txt");
  n.history = Join(n.installed.programDir, "Tallowbridge-history.csv");
  n.ini = Join(n.installed.programDir, "Tallowbridge.ini");
  UseStandIn({{"TB_STANDIN_ARGS_FILE", n.argsFile}, {"TB_STANDIN_FRAME_MS", "100"}});
  SetEnvironmentVariableA("TB_PLATFORM_TRACE", n.trace.c_str());
  const char* behaviours[] = {"", "StandinBehaviour exit 3\r\n", "StandinBehaviour hang\r\n", ""};
  bool ok = MakeFolders(n.scenes) && MakeFolders(n.out);
  for (int i = 1; ok && i <= 4; ++i)
    ok = MakeFolders(Join(n.out, "s" + std::to_string(i))) &&
         WriteText(ScenePath(n, i), StandInScene(1, 3, 1, Prefix(n, i)) + behaviours[i - 1]);
  return ok && WriteText(n.ini, ReadFile(n.ini) + overnight);
}

int StartsOf(const Night& n, int i) {
  int count = 0;
  for (const auto& start : StandInStarts(n.argsFile))
    if (start.commandLine.find("s" + std::to_string(i) + ".lws") != std::string::npos) ++count;
  return count;
}

int Lines(const std::string& text) {
  int count = 0;
  for (char c : text) count += c == '\n';
  return count;
}

HWND WaitForCountdown(const Program& program, int timeoutMs) {
  HWND window = nullptr;
  WaitFor([&] { return (window = FindTop(program, "Tallowbridge")) != nullptr; }, timeoutMs);
  return window;
}

void FourScenesThroughTheNight(const Setup& setup, Night& n) {
  Program program;
  HWND main = StartMainWindow(n.installed, setup, program);
  if (!main) return;
  for (int i = 1; i <= 4; ++i)
    if (!AddScene(program, main, ScenePath(n, i), i)) return;
  const DWORD started = GetTickCount();
  Click(GetDlgItem(main, kStartQueueButton));
  std::string status;
  const bool finished = WaitFor(
      [&] {
        AnswerStrayMessage(program, "the night's run");
        return (status = Text(GetDlgItem(main, kStatusText))).rfind("Finished", 0) == 0;
      },
      240000);
  const DWORD seconds = (GetTickCount() - started) / 1000;
  Check(finished && status == "Finished: 2 of 4 scenes failed", "the run ends with two of four scenes failed", status);
  for (int i : {1, 4})
    Check(Exists(Prefix(n, i) + "0003.tga"), "scene " + std::to_string(i) + " was rendered to its last frame");
  Check(StartsOf(n, 2) == 2, "scene 2 (exit code 3) was started twice", std::to_string(StartsOf(n, 2)));
  Check(StartsOf(n, 3) == 2, "scene 3 (hangs) was started twice", std::to_string(StartsOf(n, 3)));
  Check(seconds >= 120 && seconds < 200, "each hang of scene 3 was ended after about a minute",
        std::to_string(seconds) + " s for the run");
  const std::string history = ReadFile(n.history);
  Check(Lines(history) == 7, "the history has a header and six lines", history);
  HWND countdown = WaitForCountdown(program, 10000);
  if (Check(countdown != nullptr, "the shutdown countdown opens")) {
    const std::string text = Text(GetDlgItem(countdown, kCountdownWindowLabel));
    Check(text.rfind(kCountdownText, 0) == 0, "the countdown says what follows", text);
    OfferScreenshot(setup, "overnight-countdown");
    Click(GetDlgItem(countdown, kCountdownCancel));
    Check(WaitFor([&] { return !IsWindow(countdown) || !IsWindowVisible(countdown); }, 5000), "Cancel closes it");
  }
  Sleep(1500);
  Check(program.running(), "the program runs on after Cancel");
  Check(ReadFile(n.trace).find("power request") == std::string::npos, "no power request was made");
  Check(QuitWithYes(program, main), "the program quits");
  program.kill();
}

// The next minute of the local clock as HH:MM, and how many seconds away.
std::string NextMinute(int& secondsAway) {
  std::time_t now = std::time(nullptr);
  std::tm local = *std::localtime(&now);
  secondsAway = 60 - local.tm_sec;
  if (secondsAway < 15) {   // too close to set up in time
    now += 60;
    secondsAway += 60;
    local = *std::localtime(&now);
  }
  local.tm_min += 1;
  std::mktime(&local);
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", local.tm_hour, local.tm_min);
  return text;
}

void ACutFrameAtTheNextMinute(const Setup& setup, Night& n) {
  const std::string cut = Join(n.scenes, "cut.lws");
  const std::string prefix = Join(n.out, "cut") + "\\f";
  bool ok = MakeFolders(Join(n.out, "cut")) && WriteText(cut, StandInScene(1, 5, 1, prefix));
  for (int f = 1; ok && f <= 4; ++f) ok = WriteText(prefix + "000" + std::to_string(f) + ".tga", Tga());
  ok = ok && WriteText(prefix + "0005.tga", Tga(100));
  int secondsAway = 0;
  const std::string at = NextMinute(secondsAway);
  std::string ini = ReadFile(n.ini);
  ini.replace(ini.find("Start at = "), std::string("Start at = ").size(), "Start at = " + at);
  if (!Check(ok && WriteText(n.ini, ini), "a scene whose frame 5 was cut short, and Start at " + at)) return;
  Program program;
  HWND main = StartMainWindow(n.installed, setup, program);
  if (!main || !AddScene(program, main, cut, 1)) return;
  const int before = static_cast<int>(StandInStarts(n.argsFile).size());
  const DWORD clicked = GetTickCount();
  Click(GetDlgItem(main, kStartQueueButton));
  std::string status;
  WaitFor([&] { return (status = Text(GetDlgItem(main, kStatusText))) == "Waiting until " + at; }, 5000);
  Check(status == "Waiting until " + at, "Start waits for the time", status);
  Check(Text(GetDlgItem(main, kStartQueueButton)) == "Stop Queue!", "the button stops the wait",
        Text(GetDlgItem(main, kStartQueueButton)));
  const bool launched = WaitFor([&] { return static_cast<int>(StandInStarts(n.argsFile).size()) > before; },
                                (secondsAway + 20) * 1000);
  const int late = static_cast<int>((GetTickCount() - clicked) / 1000) - secondsAway;
  Check(launched && late >= -1 && late <= 10, "the renderer starts within 10 s of " + at,
        std::to_string(late) + " s after it");
  const auto starts = StandInStarts(n.argsFile);
  Check(!starts.empty() && starts.back().commandLine.find("cut.lws 5 5 1") != std::string::npos,
        "the cut scene continues from frame 5", starts.empty() ? "" : starts.back().commandLine);
  HWND countdown = WaitForCountdown(program, 30000);
  Check(countdown != nullptr, "the queue is done: the countdown opens");
  Check(ReadFile(prefix + "0005.tga").size() >= Tga().size(), "frame 5 is whole afterwards",
        std::to_string(ReadFile(prefix + "0005.tga").size()) + " bytes");
  const bool requested =
      WaitFor([&] { return ReadFile(n.trace).find("power request shutdown") != std::string::npos; }, 75000);
  Check(requested, "at zero the trace shows the shutdown request", ReadFile(n.trace));
  Check(QuitWithYes(program, main), "the program quits");
  program.kill();
}

}  // namespace

int ScenarioOvernight(const Setup& setup) {
  Night n;
  const std::string overnight =
      "[Overnight]\r\nWhen a scene fails = NEXT\r\nRetries = 1\r\nFrame timeout = 1\r\nCheck last frame = YES\r\n"
      "When the queue is done = SHUTDOWN\r\nStart at = \r\n";
  if (!Check(Prepare(setup, n, overnight), "program folder, settings and four scenes prepared")) return 1;
  FourScenesThroughTheNight(setup, n);
  ACutFrameAtTheNextMinute(setup, n);
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
