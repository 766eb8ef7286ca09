// Scenario "queue-render": a queue of scenes rendered by real stand-in
// processes, each scene telling the stand-in how to behave. Three scenes
// render to the end unattended; a long one is stopped and continued from its
// next frame; a failing one ends the run with its exit code and, once fixed,
// continues; a hanging one keeps the queue rendering until Stop ends it, and
// continued, until quitting the program ends it. The
// renderer's command lines are compared byte for byte, and its process is
// looked at for its priority class.
//
// Scenario "cpu" (a measurement, not in the default list): the share of one
// core Tallowbridge.exe uses while a 60-second render runs.
#include "controls.h"
#include "driver.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace e2e {

namespace {

const char* const kLogOption = " -llwsn_tallowbridge.log ";

// A scene of the queue: where it lies, its frames and its orders for the
// stand-in.
struct QueueScene {
  std::string path;
  std::string outputDir;   // ends with a backslash
  std::string prefix;
  int first, last, step;
  int format;              // OutputFilenameFormat: 1 = 3 digits, 3 = 4 digits
  std::string orders;      // "StandinBehaviour" lines
};

struct Run {
  Installed installed;
  std::string content;     // the content directory, with blanks
  std::string argsFile;    // every command line the stand-in received
  std::string pidFile;     // the process id of the stand-in that ran last
  Program program;
  HWND main = nullptr;
  size_t records = 0;      // command lines checked so far
};

std::string SceneText(const QueueScene& s) {
  return StandInScene(s.first, s.last, s.step, s.outputDir + s.prefix, s.format) + s.orders;
}

QueueScene MakeScene(const Setup& setup, const char* folder, const char* name, int first, int last, int step,
                     int format, const std::string& orders) {
  QueueScene s;
  s.path = Join(Join(setup.work, folder), std::string(name) + ".lws");
  s.outputDir = Join(Join(setup.work, "Renders"), name) + "\\";
  s.prefix = name;
  s.first = first;
  s.last = last;
  s.step = step;
  s.format = format;
  s.orders = orders;
  return s;
}

std::string FrameName(const QueueScene& s, int frame) {
  char counter[16];
  std::snprintf(counter, sizeof counter, s.format == 3 ? "%04d" : "%03d", frame);
  return s.prefix + counter + ".tga";
}

bool FrameThere(const QueueScene& s, int frame) {
  return GetFileAttributesA((s.outputDir + FrameName(s, frame)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The frames of s from..to (by its step) that are missing, named; empty
// when all are there.
std::string MissingFrames(const QueueScene& s, int from, int to) {
  std::string missing;
  for (int frame = from; frame <= to; frame += s.step) {
    if (FrameThere(s, frame)) continue;
    if (!missing.empty()) missing += ' ';
    missing += FrameName(s, frame);
  }
  return missing;
}

int FramesThere(const QueueScene& s) {
  int count = 0;
  for (int frame = s.first; frame <= s.last; frame += s.step) count += FrameThere(s, frame) ? 1 : 0;
  return count;
}

// The program folder, a settings file whose content directory has blanks,
// the scenes' folders and the common output folder (each scene's own folder
// in it is made by the program).
bool Prepare(const Setup& setup, Run& run) {
  if (!Install(setup, run.installed)) return false;
  run.content = Join(setup.work, "Light Wave Content") + "\\";
  run.argsFile = Join(setup.work, "renderer-args.txt");
  run.pidFile = Join(setup.work, "renderer.pid");
  UseStandIn({{"TB_STANDIN_ARGS_FILE", run.argsFile}, {"TB_STANDIN_PID_FILE", run.pidFile}});
  return MakeFolders(run.content) && MakeFolders(Join(setup.work, "Scenes")) &&
         MakeFolders(Join(setup.work, "My Scenes")) && MakeFolders(Join(setup.work, "Renders")) &&
         WriteText(Join(run.installed.programDir, "Tallowbridge.ini"),
                   "[Required Settings]\r\nLWSN.EXE Location = " + run.installed.renderer +
                       "\r\nContent Directory = " + run.content + "\r\n");
}

// A left click in the middle of a line of the queue list.
void ClickListLine(HWND main, int index) {
  HWND list = GetDlgItem(main, kQueueList);
  RECT line{};
  if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line)) == LB_ERR) {
    Check(false, "line " + std::to_string(index) + " of the queue list found");
    return;
  }
  ClickAt(list, (line.left + line.right) / 2, (line.top + line.bottom) / 2);
}

std::string Status(const Run& run) { return Text(GetDlgItem(run.main, kStatusText)); }

std::string WaitForStatus(const Run& run, const std::string& wanted, int timeoutMs) {
  std::string status;
  WaitFor([&] { return (status = Status(run)) == wanted; }, timeoutMs);
  return status;
}

// The stand-in's records: its command line and working directory each.
std::vector<StandInStart> Records(const Run& run) { return StandInStarts(run.argsFile); }

bool WaitForRecords(const Run& run, size_t count, int timeoutMs) {
  return WaitFor([&] { return Records(run).size() >= count; }, timeoutMs);
}

std::string Lower(std::string text) {
  for (char& ch : text)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return text;
}

// Windows quoting, written out here on its own: blanks give quotes, and
// backslashes before the closing quote are doubled (the paths hold no
// quotes).
std::string Quoted(const std::string& argument) {
  if (argument.find(' ') == std::string::npos) return argument;
  std::string trailing;
  std::string body = argument;
  while (!body.empty() && body.back() == '\\') {
    body.pop_back();
    trailing += "\\\\";
  }
  return "\"" + body + trailing + "\"";
}

// What the stand-in must have received for scene s starting at first: the
// program's path as the shell quotes it, then the renderer's parameters.
std::string ExpectedCommandLine(const Run& run, const QueueScene& s, int first) {
  std::string line = "\"" + run.installed.renderer + "\"  -3 -q -d" + Quoted(run.content) + kLogOption;
  line += Quoted(s.path);
  for (int number : {first, s.last, s.step}) {
    line += ' ';
    line += std::to_string(number);
  }
  return line;
}

// The next command line the stand-in received is the one for s from first.
void CheckNextLaunch(Run& run, const QueueScene& s, int first, const std::string& what) {
  size_t index = run.records++;
  if (!Check(WaitForRecords(run, index + 1, 15000), what + ": the renderer was started")) return;
  StandInStart record = Records(run)[index];
  std::string expected = ExpectedCommandLine(run, s, first);
  const bool same = record.commandLine == expected;
  Check(same, what + ": the renderer's command line, byte for byte",
        same ? record.commandLine : record.commandLine + " (expected " + expected + ")");
  Check(Lower(record.folder) == Lower(Join(run.installed.lightwave, "Programs")),
        what + ": the renderer runs in its own folder", record.folder);
}

// The stand-in that wrote the pid file last, opened for looking at.
HANDLE OpenRenderer(const Run& run) {
  DWORD pid = static_cast<DWORD>(std::strtoul(ReadFile(run.pidFile).c_str(), nullptr, 10));
  return pid ? OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid) : nullptr;
}

const char* ClassName(DWORD priorityClass) {
  switch (priorityClass) {
    case IDLE_PRIORITY_CLASS: return "idle";
    case BELOW_NORMAL_PRIORITY_CLASS: return "below normal";
    case NORMAL_PRIORITY_CLASS: return "normal";
    case ABOVE_NORMAL_PRIORITY_CLASS: return "above normal";
    case HIGH_PRIORITY_CLASS: return "high";
    case REALTIME_PRIORITY_CLASS: return "realtime";
    default: return "unknown";
  }
}

// The program gives the class right after the start, so it is waited for.
void CheckPriority(HANDLE renderer, DWORD wanted, const std::string& what) {
  DWORD have = 0;
  WaitFor([&] { return (have = GetPriorityClass(renderer)) == wanted; }, 3000);
  Check(have == wanted, what, ClassName(have));
}

bool Ended(HANDLE process, int timeoutMs) {
  return WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

void RestoreFromTray(const Run& run) {
  PostMessageA(run.main, WM_APP + 1, 0, WM_LBUTTONUP);
  Check(WaitFor([&] { return IsWindowVisible(run.main) != 0; }, 5000), "the tray icon brings the main window back");
}

bool Checked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetHighPriority(const Run& run, bool on) {
  HWND box = GetDlgItem(run.main, kHighPriorityCheck);
  if (Checked(box) != on) Click(box);
  Check(WaitFor([&] { return Checked(box) == on; }, 3000),
        std::string("'High Priority' is ") + (on ? "ticked" : "cleared"));
}

// Selects a row as a user does and waits for its details.
void ChooseRow(const Run& run, int row) {
  ClickListLine(run.main, row);
  HWND list = GetDlgItem(run.main, kQueueList);
  Check(WaitFor([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == row; }, 5000),
        "row " + std::to_string(row) + " is selected");
}

void CheckSceneDone(const Run& run, int row, const QueueScene& s) {
  ChooseRow(run, row);
  std::string total = std::to_string((s.last - s.first) / s.step + 1);
  std::string wanted = total + " of " + total;
  std::string frames;
  WaitFor([&] { return (frames = Text(GetDlgItem(run.main, kFramesRenderedText))) == wanted; }, 5000);
  Check(frames == wanted, "row " + std::to_string(row) + ": frames rendered " + wanted, frames);
  Check(Text(GetDlgItem(run.main, kPercentDoneText)) == "(100% done)", "row " + std::to_string(row) + ": 100% done",
        Text(GetDlgItem(run.main, kPercentDoneText)));
  Check(Text(GetDlgItem(run.main, kStartQueueButton)) == "Scene Done!", "row " + std::to_string(row) + ": Scene Done!",
        Text(GetDlgItem(run.main, kStartQueueButton)));
}

bool StartButtonUsable(const Run& run) {
  HWND start = GetDlgItem(run.main, kStartQueueButton);
  return WaitFor([&] { return IsWindowEnabled(start) != 0; }, 5000);
}

bool StartButtonDisabled(const Run& run) {
  HWND start = GetDlgItem(run.main, kStartQueueButton);
  return WaitFor([&] { return IsWindowEnabled(start) == 0; }, 5000);
}

// Three scenes, one of them in a folder with blanks and one with a frame
// step, render one after the other without anyone touching the program.
void RenderUnattended(Run& run, const std::vector<QueueScene>& scenes) {
  Click(GetDlgItem(run.main, kStartQueueButton));
  Check(WaitFor([&] { return !IsWindowVisible(run.main); }, 5000), "Start hides the main window");
  for (const auto& s : scenes) CheckNextLaunch(run, s, s.first, s.prefix + ".lws");
  bool back = WaitFor([&] { return IsWindowVisible(run.main) != 0; }, 15000);
  Check(back, "the main window comes back when the queue is done");
  std::string status = WaitForStatus(run, "LWSN was finished...", 5000);
  Check(status == "LWSN was finished...", "the finished queue is reported", status);
  for (const auto& s : scenes) {
    std::string missing = MissingFrames(s, s.first, s.last);
    Check(missing.empty(), "every frame of " + s.prefix + ".lws is there", missing);
  }
  const QueueScene& stepped = scenes[1];
  Check(!FrameThere(stepped, stepped.first + 1), "the frame step is kept: no " + FrameName(stepped, stepped.first + 1));
  Check(SendMessageW(GetDlgItem(run.main, kQueueList), LB_GETCURSEL, 0, 0) == 0, "row 0 is selected after the run");
  Check(StartButtonDisabled(run), "a done scene cannot be started again");
  for (int row = 0; row < 3; ++row) CheckSceneDone(run, row, scenes[static_cast<size_t>(row)]);
}

// The long scene: started at the idle class, stopped in the middle, and
// continued from its next frame at the high class.
void StopAndContinue(Run& run, const QueueScene& longScene, int row) {
  Click(GetDlgItem(run.main, kStartQueueButton));
  CheckNextLaunch(run, longScene, longScene.first, "the long scene");
  HANDLE renderer = OpenRenderer(run);
  if (!Check(renderer != nullptr, "the renderer's process can be looked at")) return;
  CheckPriority(renderer, IDLE_PRIORITY_CLASS, "the renderer runs in the idle priority class");
  Check(WaitFor([&] { return FramesThere(longScene) >= 3; }, 15000), "the long scene renders its first frames");
  RestoreFromTray(run);
  Click(GetDlgItem(run.main, kStartQueueButton));
  std::string status = WaitForStatus(run, "LWSN was terminated!", 5000);
  Check(status == "LWSN was terminated!", "Stop reports the renderer terminated", status);
  Check(Ended(renderer, 5000), "Stop ends the renderer's process");
  CloseHandle(renderer);
  const int rendered = FramesThere(longScene);
  Check(rendered >= 3 && rendered < longScene.last, "the long scene stopped in the middle",
        std::to_string(rendered) + " frames");
  Check(MissingFrames(longScene, 1, rendered).empty(), "its frames are the first ones");
  // Row 0 is selected again, and it is done: Start waits for another scene.
  Check(StartButtonDisabled(run), "after Stop, Start waits for an unfinished scene");

  SetHighPriority(run, true);
  ChooseRow(run, row);
  Check(StartButtonUsable(run), "the stopped scene can be started again", Text(GetDlgItem(run.main, kStartQueueButton)));
  Click(GetDlgItem(run.main, kStartQueueButton));
  CheckNextLaunch(run, longScene, rendered + 1, "the continued long scene");
  renderer = OpenRenderer(run);
  if (!Check(renderer != nullptr, "the continued renderer's process can be looked at")) return;
  CheckPriority(renderer, HIGH_PRIORITY_CLASS, "with 'High Priority' ticked the renderer starts in the high class");
  CloseHandle(renderer);
}

// The failing scene follows the long one at once and ends the run with its
// exit code; fixed, it continues after its frame and the hanging scene
// follows.
void FailThenFix(Run& run, const QueueScene& longScene, QueueScene& failing, int failingRow) {
  CheckNextLaunch(run, failing, failing.first, "the failing scene");
  HANDLE renderer = OpenRenderer(run);
  if (Check(renderer != nullptr, "the failing renderer's process can be looked at")) {
    CheckPriority(renderer, HIGH_PRIORITY_CLASS, "the next scene of the run starts in the high class too");
    CloseHandle(renderer);
  }
  std::string status = WaitForStatus(run, "LWSN failed! (exit code 5)", 15000);
  Check(status == "LWSN failed! (exit code 5)", "a renderer ending with code 5 is reported with it", status);
  std::string missing = MissingFrames(longScene, longScene.first, longScene.last);
  Check(missing.empty(), "the long scene was rendered to its end before", missing);
  Check(FramesThere(failing) == 1, "the failing scene wrote one frame", std::to_string(FramesThere(failing)));
  Check(WaitFor([&] { return IsWindowVisible(run.main) != 0; }, 5000), "the main window comes back after the failure");

  failing.orders = "StandinBehaviour frameMs 100\r\n";   // the artist mends the scene
  WriteText(failing.path, SceneText(failing));
  SetHighPriority(run, false);
  ChooseRow(run, failingRow);
  Check(StartButtonUsable(run), "the failed scene can be started again", Text(GetDlgItem(run.main, kStartQueueButton)));
  Click(GetDlgItem(run.main, kStartQueueButton));
  CheckNextLaunch(run, failing, failing.first + 1, "the mended scene");
}

// A renderer that hangs is not taken for finished; Stop ends it.
void HangThenStop(Run& run, const QueueScene& mended, const QueueScene& hanging) {
  CheckNextLaunch(run, hanging, hanging.first, "the hanging scene");
  Check(MissingFrames(mended, mended.first, mended.last).empty(), "the mended scene was rendered to its end");
  HANDLE renderer = OpenRenderer(run);
  if (!Check(renderer != nullptr, "the hanging renderer's process can be looked at")) return;
  CheckPriority(renderer, IDLE_PRIORITY_CLASS, "with 'High Priority' cleared the renderer starts idle again");
  Check(WaitFor([&] { return FramesThere(hanging) == 1; }, 10000), "the hanging scene writes its first frame");
  RestoreFromTray(run);
  SetHighPriority(run, true);
  CheckPriority(renderer, HIGH_PRIORITY_CLASS, "ticking 'High Priority' raises the running renderer to high");
  SetHighPriority(run, false);
  CheckPriority(renderer, IDLE_PRIORITY_CLASS, "clearing it drops the running renderer to idle");
  // Two more ticks of the render timer: the hanging renderer still runs.
  Sleep(6500);
  Check(Status(run) == "Rendering: " + hanging.prefix + ".lws", "a hanging renderer keeps the queue rendering",
        Status(run));
  Check(!Ended(renderer, 0), "the hanging renderer is still running");
  Click(GetDlgItem(run.main, kStartQueueButton));
  std::string status = WaitForStatus(run, "LWSN was terminated!", 5000);
  Check(status == "LWSN was terminated!", "Stop ends the hanging run as terminated", status);
  Check(Ended(renderer, 5000), "Stop ends the hanging renderer's process");
  CloseHandle(renderer);
}

// Quitting while a renderer runs ends the renderer too.
void QuitWhileRendering(Run& run, const QueueScene& hanging, int row) {
  ChooseRow(run, row);
  Check(StartButtonUsable(run), "the stopped hanging scene can be started again", Text(GetDlgItem(run.main, kStartQueueButton)));
  Click(GetDlgItem(run.main, kStartQueueButton));
  CheckNextLaunch(run, hanging, hanging.first + 1, "the hanging scene continued");
  HANDLE renderer = OpenRenderer(run);
  if (!Check(renderer != nullptr, "the continued hanging renderer's process can be looked at")) return;
  Check(WaitFor([&] { return FrameThere(hanging, hanging.first + 1); }, 10000), "it writes its next frame and hangs");
  Check(Records(run).size() == run.records, "the renderer was started exactly " + std::to_string(run.records) +
                                                 " times", std::to_string(Records(run).size()));
  Check(QuitWithYes(run.program, run.main) && run.program.exitCode() == 0,
        "the program quits with exit code 0 while the renderer runs");
  Check(Ended(renderer, 5000), "quitting ends the renderer's process");
  CloseHandle(renderer);
}

}  // namespace

int ScenarioQueueRender(const Setup& setup) {
  const std::string quick = "StandinBehaviour frameMs 100\r\n";
  std::vector<QueueScene> scenes = {
      MakeScene(setup, "Scenes", "a", 1, 3, 1, 1, quick),
      MakeScene(setup, "My Scenes", "b", 2, 6, 2, 1, quick),   // frames 2, 4, 6
      MakeScene(setup, "Scenes", "c", 1, 3, 1, 3, quick),
      MakeScene(setup, "Scenes", "d", 1, 12, 1, 1, "StandinBehaviour frameMs 250\r\n"),
      MakeScene(setup, "Scenes", "e", 1, 3, 1, 1, "StandinBehaviour frameMs 1000 exit 5 after 1\r\n"),
      MakeScene(setup, "Scenes", "f", 1, 3, 1, 1, quick + "StandinBehaviour hang after 1\r\n"),
  };
  Run run;
  bool prepared = Prepare(setup, run);
  for (const auto& s : scenes) prepared = prepared && WriteText(s.path, SceneText(s));
  if (!Check(prepared, "program folder, settings and six scenes prepared")) return 1;
  run.main = StartMainWindow(run.installed, setup, run.program);
  if (!run.main) return 1;
  for (int i = 0; i < 3; ++i)
    if (!AddScene(run.program, run.main, scenes[static_cast<size_t>(i)].path, i + 1)) {
      run.program.kill();
      return 1;
    }
  RenderUnattended(run, {scenes[0], scenes[1], scenes[2]});

  for (int i = 3; i < 6; ++i)
    if (!AddScene(run.program, run.main, scenes[static_cast<size_t>(i)].path, i + 1)) {
      run.program.kill();
      return 1;
    }
  Check(StartButtonUsable(run), "with new scenes added Start is usable again", Text(GetDlgItem(run.main, kStartQueueButton)));
  StopAndContinue(run, scenes[3], 3);
  FailThenFix(run, scenes[3], scenes[4], 4);
  HangThenStop(run, scenes[4], scenes[5]);
  QuitWhileRendering(run, scenes[5], 5);
  run.program.kill();
  return Failures() == 0 ? 0 : 1;
}

namespace {

double Seconds(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 1e7;
}

// User and kernel time of a process, as the system reports it for the
// process as a whole.
double ProcessCpu(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  return Seconds(kernel) + Seconds(user);
}

// The same summed over the process's threads. Wine reports other processes'
// times only per thread.
double ThreadsCpu(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  double total = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != pid) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (!thread) continue;
    FILETIME created, exited, kernel, user;
    if (GetThreadTimes(thread, &created, &exited, &kernel, &user)) total += Seconds(kernel) + Seconds(user);
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return total;
}

}  // namespace

int ScenarioCpu(const Setup& setup) {
  QueueScene minute = MakeScene(setup, "Scenes", "minute", 1, 60, 1, 1, "StandinBehaviour frameMs 1000\r\n");
  Run run;
  if (!Check(Prepare(setup, run) && WriteText(minute.path, SceneText(minute)), "program folder and scene prepared"))
    return 1;
  run.main = StartMainWindow(run.installed, setup, run.program);
  if (!run.main || !AddScene(run.program, run.main, minute.path, 1)) {
    run.program.kill();
    return 1;
  }
  Click(GetDlgItem(run.main, kStartQueueButton));
  CheckNextLaunch(run, minute, 1, "the 60-second scene");
  Check(WaitFor([&] { return !IsWindowVisible(run.main); }, 5000), "the main window is in the tray");
  // Measured from the first frame to the end of the run.
  Check(WaitFor([&] { return FramesThere(minute) >= 1; }, 5000), "the first frame is written");
  const DWORD pid = run.program.pi.dwProcessId;
  const DWORD startTick = GetTickCount();
  const double processStart = ProcessCpu(run.program.pi.hProcess), threadsStart = ThreadsCpu(pid);
  std::string status;
  WaitFor([&] { return (status = Status(run)) == "LWSN was finished..."; }, 90000);
  const double wall = (GetTickCount() - startTick) / 1000.0;
  const double process = ProcessCpu(run.program.pi.hProcess) - processStart;
  const double threads = ThreadsCpu(pid) - threadsStart;
  Check(status == "LWSN was finished..." && FramesThere(minute) == 60, "the 60 frames were rendered", status);
  std::printf("cpu: %.1f s of rendering; Tallowbridge.exe used %.3f s by GetProcessTimes (%.2f%% of one core), "
              "%.3f s by its threads' times (%.2f%% of one core)\n",
              wall, process, 100.0 * process / wall, threads, 100.0 * threads / wall);
  Check(QuitWithYes(run.program, run.main) && run.program.exitCode() == 0, "the program quits with exit code 0");
  run.program.kill();
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
