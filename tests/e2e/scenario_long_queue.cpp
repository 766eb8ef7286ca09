// Scenario "longqueue" (not in the default list; about twelve minutes): a
// project of 200 scenes, loaded at start-up, rendered unattended by the
// stand-in at no time per frame. Some scenes fail, some crash, some are
// deleted from disk while the queue runs. Each failure ends the run as it
// should; the driver then does what an artist would: selects the reported
// scene, removes it from the queue ("Clear Scenes", No = only the selected
// one) and starts the queue again. At the end every good scene has all its
// frames, every bad one was reported once, the program still runs, and its
// peak memory after 200 jobs is within 10% of its peak after 20.
#include "controls.h"
#include "driver.h"

#include <psapi.h>

#include <cstdio>
#include <set>
#include <vector>

namespace e2e {

namespace {

constexpr int kScenes = 200;
constexpr int kFrames = 2;
// Deleted from disk once this many jobs have run.
constexpr size_t kDeleteAfterJobs = 60;

enum class Fault { kNone, kExit, kExitAfterFrame, kCrash, kCrashAfterFrame, kDeleted };

Fault FaultOf(int index) {
  switch (index) {
    case 17:
    case 88: return Fault::kExit;
    case 133: return Fault::kExitAfterFrame;
    case 45:
    case 160: return Fault::kCrash;
    case 111: return Fault::kCrashAfterFrame;
    case 120:
    case 150:
    case 185: return Fault::kDeleted;
    default: return Fault::kNone;
  }
}

const char* Orders(Fault fault) {
  switch (fault) {
    case Fault::kExit: return "StandinBehaviour exit 3\r\n";
    case Fault::kExitAfterFrame: return "StandinBehaviour exit 4 after 1\r\n";
    case Fault::kCrash: return "StandinBehaviour crash\r\n";
    case Fault::kCrashAfterFrame: return "StandinBehaviour crash after 1\r\n";
    default: return "";
  }
}

// The status the program must show when the scene's renderer ends.
std::string ExpectedReport(Fault fault) {
  switch (fault) {
    case Fault::kExit: return "LWSN failed! (exit code 3)";
    case Fault::kExitAfterFrame: return "LWSN failed! (exit code 4)";
    case Fault::kDeleted: return "LWSN failed! (exit code 2)";   // the renderer cannot read it
    case Fault::kCrash:
    case Fault::kCrashAfterFrame: return "LWSN was terminated!";   // a negative exit code
    default: return "";
  }
}

struct LongQueue {
  Installed installed;
  std::string argsFile;
  std::vector<std::string> scenes;   // paths, in queue order
  std::string renders;               // common output folder
  Program program;
  HWND main = nullptr;
};

std::string SceneName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "shot_%03d", index);
  return name;
}

std::string SceneText(const LongQueue& q, int index) {
  return StandInScene(1, kFrames, 1, Join(Join(q.renders, SceneName(index)), SceneName(index))) +
         Orders(FaultOf(index));
}

bool FramesDone(const LongQueue& q, int index) {
  for (int frame = 1; frame <= kFrames; ++frame) {
    char counter[8];
    std::snprintf(counter, sizeof counter, "%04d", frame);   // OutputFilenameFormat 3
    std::string path = Join(Join(q.renders, SceneName(index)), SceneName(index) + counter + ".tga");
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  }
  return true;
}

// The program folder's settings load the project at start-up without
// rendering; the project holds the 200 scenes.
bool Prepare(const Setup& setup, LongQueue& q) {
  if (!Install(setup, q.installed)) return false;
  q.argsFile = Join(setup.work, "renderer-args.txt");
  q.renders = Join(setup.work, "Renders");
  UseStandIn({{"TB_STANDIN_ARGS_FILE", q.argsFile}, {"TB_STANDIN_FRAME_MS", "0"}});
  const std::string folder = Join(setup.work, "Night");
  const std::string project = Join(setup.work, "night.tbp");
  bool ok = MakeFolders(folder) && MakeFolders(q.renders);
  std::string text = "[TALLOWBRIDGE1]\r\n;Tallowbridge v1.1 project file.\r\n;\r\n[Required Settings]\r\n"
                     "LWSN.EXE Location = " + q.installed.renderer + "\r\nContent Directory = " +
                     q.installed.lightwave + "\\\r\n;\r\n[Program Settings]\r\nWindowX = 150\r\nWindowY = 150\r\n"
                     "View Output Directory Window = NO\r\nLast Scene Directory = " + folder +
                     "\\\r\nScene Queue View = FullPath\r\n[Scenes]\r\n# = " + std::to_string(kScenes) + "\r\n";
  for (int i = 0; i < kScenes && ok; ++i) {
    q.scenes.push_back(Join(folder, SceneName(i) + ".lws"));
    ok = WriteText(q.scenes.back(), SceneText(q, i));
    text += "Scene" + std::to_string(i) + " = " + q.scenes.back() + "\r\n";
  }
  std::string settings = ReadFile(Join(q.installed.programDir, "Tallowbridge.ini"));
  settings += "[Program Settings]\r\nLoad last project upon startup = YES\r\n"
              "Continue rendering upon startup = NO\r\nConfirm overwrite scene file (if changed) = NO\r\n"
              "Last Saved Project = " + project + "\r\n";
  return ok && WriteText(project, text) && WriteText(Join(q.installed.programDir, "Tallowbridge.ini"), settings);
}

// The scene paths the stand-in was started with, one per job.
std::vector<std::string> JobScenes(const LongQueue& q) {
  std::vector<std::string> scenes;
  for (const StandInStart& record : StandInStarts(q.argsFile)) {
    // The scene is the command line's fourth-last word (no blanks in these paths).
    const std::string& command = record.commandLine;
    size_t cut = command.size();
    for (int words = 0; words < 3 && cut != std::string::npos; ++words) cut = command.rfind(' ', cut - 1);
    size_t start = cut == std::string::npos ? std::string::npos : command.rfind(' ', cut - 1);
    if (start != std::string::npos) scenes.push_back(command.substr(start + 1, cut - start - 1));
  }
  return scenes;
}

struct Memory {
  size_t peakWorkingSet = 0, privateBytes = 0;
};

Memory MemoryOf(const Program& p) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  Memory m;
  if (GetProcessMemoryInfo(p.pi.hProcess, &counters, sizeof counters)) {
    m.peakWorkingSet = counters.PeakWorkingSetSize;
    m.privateBytes = counters.PagefileUsage;
  }
  return m;
}

int IndexOf(const LongQueue& q, const std::string& scene) {
  for (int i = 0; i < kScenes; ++i)
    if (q.scenes[static_cast<size_t>(i)] == scene) return i;
  return -1;
}

// Selects the queue line showing scene as a click would (the selection,
// then the list's notification), removes only it, and answers the question
// the program asks. Empty when that went through, else what did not.
std::string RemoveFromQueue(const LongQueue& q, const std::string& scene) {
  HWND list = GetDlgItem(q.main, kQueueList);
  int row = -1;
  for (int i = 0, n = ListCount(list); i < n && row < 0; ++i)
    if (ListLine(list, i) == scene) row = i;
  if (row < 0) return "the scene is not in the list";
  const int before = ListCount(list);
  SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  SendMessageW(q.main, WM_COMMAND, MAKEWPARAM(kQueueList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  HWND clear = GetDlgItem(q.main, kClearScenesButton);
  if (!WaitFor([&] { return IsWindowEnabled(clear) != FALSE; }, 5000)) return "Clear Scenes stays disabled";
  Click(clear);
  HWND question = WaitForDialog(q.program, "Confirmation");
  if (!question) return "no 'Confirmation' question";
  Answer(question, IDNO);
  if (!WaitFor([&] { return ListCount(list) == before - 1; }, 5000)) return "the list keeps its length";
  for (int i = 0, n = ListCount(list); i < n; ++i)
    if (ListLine(list, i) == scene) return "another scene went instead";
  return "";
}

// Runs the queue to its end, removing each reported scene and starting
// again; the reports by scene index.
std::set<int> RenderToEnd(LongQueue& q, Memory& after20) {
  std::set<int> reported;
  bool deleted = false;
  HWND status = GetDlgItem(q.main, kStatusText);
  for (int starts = 0; starts < 20; ++starts) {
    // The last run's report stays on the window until the new run's first
    // job starts: the run is over only after a job of its own.
    const size_t jobsBefore = JobScenes(q).size();
    Click(GetDlgItem(q.main, kStartQueueButton));
    std::string shown;
    // The run is over when the window is back with a failure, or when every
    // scene left has rendered and the program is idle again.
    bool over = WaitFor(
        [&] {
          std::string title, text;
          if (HWND box = AnyMessageBox(q.program, &title, &text)) {
            Check(false, "no message box while the queue renders", title + ": " + text);
            Answer(box, IDOK);
          }
          const size_t jobs = JobScenes(q).size();
          if (jobs >= 20 && after20.peakWorkingSet == 0) after20 = MemoryOf(q.program);
          if (jobs >= kDeleteAfterJobs && !deleted) {
            deleted = true;
            for (int i = 0; i < kScenes; ++i)
              if (FaultOf(i) == Fault::kDeleted) DeleteFileA(q.scenes[static_cast<size_t>(i)].c_str());
          }
          shown = Text(status);
          if (!q.program.running()) return true;
          if (jobs <= jobsBefore || !IsWindowVisible(q.main)) return false;
          return shown.rfind("LWSN failed!", 0) == 0 || shown == "LWSN was terminated!" ||
                 (shown == "LWSN was finished..." && Text(GetDlgItem(q.main, kStartQueueButton)) != "Stop Queue!" &&
                  ListCount(GetDlgItem(q.main, kQueueList)) == kScenes - static_cast<int>(reported.size()));
        },
        30 * 60 * 1000);
    if (!Check(over && q.program.running(), "the run ends with the program still running", shown)) break;
    if (shown == "LWSN was finished...") {
      std::printf("longqueue: the queue ended after %d start(s)\n", starts + 1);
      break;
    }
    const std::vector<std::string> jobs = JobScenes(q);
    const int index = jobs.empty() ? -1 : IndexOf(q, jobs.back());
    if (!Check(index >= 0 && FaultOf(index) != Fault::kNone, "a run ends only at a bad scene",
               shown + " after " + (jobs.empty() ? std::string("no job") : jobs.back())))
      break;
    Check(shown == ExpectedReport(FaultOf(index)), "the report for " + SceneName(index), shown);
    Check(reported.insert(index).second, SceneName(index) + " is reported once");
    const std::string removal = RemoveFromQueue(q, q.scenes[static_cast<size_t>(index)]);
    if (!Check(removal.empty(), "the reported scene removed from the queue", removal)) break;
  }
  return reported;
}

}  // namespace

int ScenarioLongQueue(const Setup& setup) {
  LongQueue q;
  if (!Check(Prepare(setup, q), "200 scenes, their project and the settings written")) return 1;
  q.main = StartMainWindow(q.installed, setup, q.program);
  if (!q.main) return 1;
  HWND info = WaitForDialog(q.program, "Info");
  if (Check(info != nullptr, "the project reloaded at start-up is announced")) Answer(info, IDOK);
  if (!Check(WaitFor([&] { return ListCount(GetDlgItem(q.main, kQueueList)) == kScenes; }, 20000),
             "the project's 200 scenes are queued at start-up"))
    return 1;
  Memory after20;
  std::set<int> reported = RenderToEnd(q, after20);
  const Memory atEnd = MemoryOf(q.program);
  const size_t jobs = JobScenes(q).size();

  int good = 0, goodDone = 0, bad = 0;
  std::string missing;
  for (int i = 0; i < kScenes; ++i) {
    if (FaultOf(i) != Fault::kNone) {
      ++bad;
      Check(reported.count(i) == 1, SceneName(i) + " was reported");
      continue;
    }
    ++good;
    if (FramesDone(q, i)) ++goodDone;
    else missing += " " + SceneName(i);
  }
  Check(goodDone == good, "every good scene has all its frames", missing);
  Check(static_cast<int>(reported.size()) == bad, "every bad scene was reported");
  std::printf("longqueue: %zu jobs; peak working set %zu KB after 20 jobs, %zu KB at the end (%.3fx); "
              "private bytes %zu KB after 20, %zu KB at the end\n",
              jobs, after20.peakWorkingSet / 1024, atEnd.peakWorkingSet / 1024,
              after20.peakWorkingSet ? double(atEnd.peakWorkingSet) / double(after20.peakWorkingSet) : 0.0,
              after20.privateBytes / 1024, atEnd.privateBytes / 1024);
  Check(jobs >= static_cast<size_t>(kScenes), "at least 200 jobs ran", std::to_string(jobs));
  Check(after20.peakWorkingSet > 0 && atEnd.peakWorkingSet * 10 <= after20.peakWorkingSet * 11,
        "the peak working set after every job is within 10% of that after 20 jobs");
  Check(QuitWithYes(q.program, q.main), "the program quits with Yes");
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
