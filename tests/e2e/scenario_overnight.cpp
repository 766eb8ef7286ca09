// Scenario "overnight": the [Overnight] settings under Wine with the
// stand-in renderer, with the program's minute shortened to 6 s for the
// test (TB_TEST_MINUTE_MS). Four scenes with NEXT, one retry and a
// one-minute frame timeout: scene 2 exits with 3, scene 3 hangs; scenes 1
// and 4 are rendered, scene 2 is started twice, scene 3 is ended after two
// minutes without a first frame each try, the status reads "Finished: 2 of
// 4 scenes failed", the history holds six lines and the shutdown countdown
// is cancelled. Then, started again, a scene whose frame 5 of 5 was cut
// short waits for the next minute of the clock, holding the system awake
// meanwhile, renders frame 5 again (the cut one moved aside, never
// deleted), and the countdown runs to zero: the trace shows the shutdown
// request (with the trace set, none is made). A scene whose whole PNG
// frames carry a byte after their end continues after them. A program
// killed while rendering comes back, with "Start at" an hour away, and
// continues at once without a box.
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {

constexpr int kCountdownWindowLabel = 241;
constexpr int kCountdownCancel = 242;
constexpr const char* kCountdownText = "The queue is done. The computer will shut down in ";
// The program's minute in this scenario, and the execution state that holds
// the system (never the display) awake.
constexpr int kTestMinuteMs = 6000;
constexpr const char* kSystemAwake = "SetThreadExecutionState 0x80000001";

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
  SetEnvironmentVariableA("TB_TEST_MINUTE_MS", std::to_string(kTestMinuteMs).c_str());
  const char* behaviours[] = {"", "StandinBehaviour exit 3\r\n", "StandinBehaviour hang\r\n", ""};
  bool ok = MakeFolders(n.scenes) && MakeFolders(n.out);
  for (int i = 1; ok && i <= 4; ++i)
    ok = MakeFolders(Join(n.out, "s" + std::to_string(i))) &&
         WriteText(ScenePath(n, i), StandInScene(1, 3, 1, Prefix(n, i)) + behaviours[i - 1]);
  return ok && WriteText(n.ini, ReadFile(n.ini) + overnight);
}

// A frame written long ago: only frames nobody may still be writing are judged.
bool Age(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{};
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart -= 36000000000ULL;   // an hour
  FILETIME hourAgo{t.LowPart, t.HighPart};
  const bool ok = SetFileTime(file, nullptr, nullptr, &hourAgo) != 0;
  CloseHandle(file);
  return ok;
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
      120000);
  const DWORD seconds = (GetTickCount() - started) / 1000;
  Check(finished && status == "Finished: 2 of 4 scenes failed", "the run ends with two of four scenes failed", status);
  for (int i : {1, 4})
    Check(Exists(Prefix(n, i) + "0003.tga"), "scene " + std::to_string(i) + " was rendered to its last frame");
  Check(StartsOf(n, 2) == 2, "scene 2 (exit code 3) was started twice", std::to_string(StartsOf(n, 2)));
  Check(StartsOf(n, 3) == 2, "scene 3 (hangs) was started twice", std::to_string(StartsOf(n, 3)));
  // Two tries of scene 3, each ended after twice the minute without a first frame.
  Check(seconds >= 4 * kTestMinuteMs / 1000 && seconds < 60, "each hang of scene 3 was ended after two minutes",
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
  ok = ok && WriteText(prefix + "0005.tga", Tga(100)) && Age(prefix + "0005.tga");
  int secondsAway = 0;
  const std::string at = NextMinute(secondsAway);
  std::string ini = ReadFile(n.ini);
  ini.replace(ini.find("Start at = "), std::string("Start at = ").size(), "Start at = " + at);
  if (!Check(ok && WriteText(n.ini, ini), "a scene whose frame 5 was cut short, and Start at " + at)) return;
  Program program;
  HWND main = StartMainWindow(n.installed, setup, program);
  if (!main || !AddScene(program, main, cut, 1)) return;
  const int before = static_cast<int>(StandInStarts(n.argsFile).size());
  const size_t traced = ReadFile(n.trace).size();
  const DWORD clicked = GetTickCount();
  Click(GetDlgItem(main, kStartQueueButton));
  std::string status;
  WaitFor([&] { return (status = Text(GetDlgItem(main, kStatusText))) == "Waiting until " + at; }, 5000);
  Check(status == "Waiting until " + at, "Start waits for the time", status);
  Check(Text(GetDlgItem(main, kStartQueueButton)) == "Stop Queue!", "the button stops the wait",
        Text(GetDlgItem(main, kStartQueueButton)));
  Check(WaitFor([&] { return ReadFile(n.trace).find(kSystemAwake, traced) != std::string::npos; }, 5000) &&
            StandInStarts(n.argsFile).size() == static_cast<size_t>(before),
        "the wait holds the system awake before anything renders", ReadFile(n.trace));
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
  Check(ReadFile(prefix + "0005.tga.cut") == Tga(100), "the cut frame was moved aside, not deleted");
  const bool requested =
      WaitFor([&] { return ReadFile(n.trace).find("power request shutdown") != std::string::npos; }, 30000);
  Check(requested, "at zero the trace shows the shutdown request", ReadFile(n.trace));
  Check(QuitWithYes(program, main), "the program quits");
  program.kill();
}

// A whole PNG: signature, header and end chunk; some writers add bytes after
// the end chunk.
std::string WholePng() {
  const std::string ihdr("\0\0\0\x0DIHDR\0\0\0\x20\0\0\0\x18\x08\x02\0\0\0\0\0\0\0", 25);
  return std::string("\x89PNG\r\n\x1A\n", 8) + ihdr + std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
}

void WholePngFramesWithATrailingByteStay(const Setup& setup, Night& n) {
  const std::string scene = Join(n.scenes, "png.lws");
  const std::string prefix = Join(n.out, "png") + "\\f";
  std::string text = StandInScene(1, 5, 1, prefix);
  text.replace(text.find("LW_TGA24(.tga)"), 14, "LW_PNG24(.png)");
  bool ok = MakeFolders(Join(n.out, "png")) && WriteText(scene, text);
  for (int f = 1; ok && f <= 4; ++f) {
    const std::string frame = prefix + "000" + std::to_string(f) + ".png";
    ok = WriteText(frame, WholePng() + '\0') && Age(frame);
  }
  std::string ini = ReadFile(n.ini);
  const size_t at = ini.find("Start at = ");
  ini.replace(at, ini.find("\r\n", at) - at, "Start at = ");
  ini.replace(ini.find("When the queue is done = SHUTDOWN"), 33, "When the queue is done = NOTHING");
  if (!Check(ok && WriteText(n.ini, ini), "a scene with four whole PNG frames, each with a byte after its end")) return;
  Program program;
  HWND main = StartMainWindow(n.installed, setup, program);
  if (!main || !AddScene(program, main, scene, 1)) return;
  const size_t before = StandInStarts(n.argsFile).size();
  Click(GetDlgItem(main, kStartQueueButton));
  Check(WaitFor([&] { return StandInStarts(n.argsFile).size() > before; }, 15000), "the scene starts");
  const auto starts = StandInStarts(n.argsFile);
  Check(!starts.empty() && starts.back().commandLine.find("png.lws 5 5 1") != std::string::npos,
        "it continues after the four whole frames", starts.empty() ? "" : starts.back().commandLine);
  bool kept = true;
  for (int f = 1; f <= 4; ++f) kept &= ReadFile(prefix + "000" + std::to_string(f) + ".png") == WholePng() + '\0';
  Check(kept && !Exists(prefix + "0004.png.cut"), "no whole frame was moved aside");
  WaitFor([&] { return Text(GetDlgItem(main, kStatusText)) == "LWSN was finished..."; }, 15000);
  Check(QuitWithYes(program, main), "the program quits");
  program.kill();
}

// The next hour of the local clock as HH:MM: far enough to wait for.
std::string AnHourAway() {
  std::time_t later = std::time(nullptr) + 3600;
  std::tm local = *std::localtime(&later);
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", local.tm_hour, local.tm_min);
  return text;
}

// The program and the renderer it started (whose id the stand-in wrote)
// end at once, as in a power cut.
void PowerCut(const Program& program, const std::string& pidFile) {
  program.kill();
  program.waitExit(5000);
  const DWORD pid = static_cast<DWORD>(std::strtoul(ReadFile(pidFile).c_str(), nullptr, 10));
  if (HANDLE renderer = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
    TerminateProcess(renderer, 1);
    WaitForSingleObject(renderer, 5000);
    CloseHandle(renderer);
  }
}

void AProgramKilledWhileRenderingContinuesAtOnce(const Setup& setup, Night& n) {
  const std::string scene = Join(n.scenes, "long.lws");
  const std::string project = Join(n.installed.programDir, "Night.tbp");
  const std::string marker = Join(n.installed.programDir, "Tallowbridge.running");
  const std::string pidFile = Join(setup.work, "standin.pid");
  UseStandIn({{"TB_STANDIN_ARGS_FILE", n.argsFile}, {"TB_STANDIN_FRAME_MS", "700"}, {"TB_STANDIN_PID_FILE", pidFile}});
  const auto settings = [&](const std::string& startAt) {
    return "[Required Settings]\r\nLWSN.EXE Location = " + n.installed.renderer + "\r\nContent Directory = " +
           n.installed.lightwave + "\\\r\n[Program Settings]\r\nLoad last project upon startup = YES\r\n"
           "Continue rendering upon startup = YES\r\nLast Saved Project = " + project +
           "\r\n[Overnight]\r\nWhen a scene fails = NEXT\r\nStart at = " + startAt + "\r\n";
  };
  bool ok = MakeFolders(Join(n.out, "long")) && WriteText(scene, StandInScene(1, 40, 1, Join(n.out, "long") + "\\f")) &&
            WriteText(project, "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 1\r\nScene0 = " + scene + "\r\n") &&
            WriteText(n.ini, settings(""));
  if (!Check(ok, "a project of one long scene, continued at start-up under NEXT")) return;
  // No box stands between a start-up and the render, now or after the restart.
  const auto rendersWithoutABox = [&](Program& program, size_t startsBefore) {
    bool boxed = false;
    const bool started = WaitFor(
        [&] {
          std::string title, text;
          if (HWND box = AnyMessageBox(program, &title, &text)) {
            boxed = true;
            Check(false, "no box on the way to the render", title + ": " + text);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
          }
          return StandInStarts(n.argsFile).size() > startsBefore;
        },
        20000);
    return started && !boxed;
  };
  Program first;
  size_t starts = StandInStarts(n.argsFile).size();
  if (!Check(Start(n.installed.exe, setup.work, first) && rendersWithoutABox(first, starts),
             "the queue continues at start-up, the \"continues\" box a balloon"))
    return;
  WaitFor([&] { return Exists(Join(n.out, "long") + "\\f0002.tga"); }, 10000);
  Check(Exists(marker), "a run under way is marked beside the program");
  // A power cut: the program and its renderer end at once.
  PowerCut(first, pidFile);
  const std::string at = AnHourAway();
  WriteText(n.ini, settings(at));
  Program again;
  starts = StandInStarts(n.argsFile).size();
  const DWORD restarted = GetTickCount();
  const bool continued = Start(n.installed.exe, setup.work, again) && rendersWithoutABox(again, starts);
  Check(continued, "started again with Start at " + at + ", it continues at once and shows no box",
        std::to_string((GetTickCount() - restarted) / 1000) + " s");
  const auto all = StandInStarts(n.argsFile);
  Check(!all.empty() && all.back().commandLine.find("long.lws 1 40 1") == std::string::npos,
        "it continues after the frames already there", all.empty() ? "" : all.back().commandLine);
  PowerCut(again, pidFile);
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
  WholePngFramesWithATrailingByteStay(setup, n);
  AProgramKilledWhileRenderingContinuesAtOnce(setup, n);
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
