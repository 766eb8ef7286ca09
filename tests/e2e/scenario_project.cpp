// Scenario "project": a queue of two scenes, added through the file
// requester, is saved as a project through the save requester under a name
// typed without its extension; the project file holds exactly the expected
// bytes and the settings file names it once the program has quit. With
// "Load last project upon startup" and "Continue rendering upon startup"
// switched on in the settings file, the next start announces the project
// and renders its whole queue without anything else being touched.
#include <cstdio>
#include <vector>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {

const char* const kLogOption = " -llwsn_tallowbridge.log ";

// A scene the scenario writes: three frames each, in two folders, the
// second with a step and four-digit frame numbers.
struct ProjectScene {
  const char* folder;   // in the work folder
  const char* name;     // file name without .lws, also the frames' prefix
  int first, last, step;
  int format;           // OutputFilenameFormat: 1 = 3 digits, 3 = 4 digits
};

const ProjectScene kDawn{"Shots", "dawn", 1, 3, 1, 1};
const ProjectScene kDusk{"Finals", "dusk", 2, 6, 2, 3};

struct ProjectSetup {
  Installed installed;
  std::string settings;   // Tallowbridge.ini
  std::string chosen;     // the name typed into the save requester
  std::string project;    // the file the program must write
  std::string argsFile;   // the stand-in's record of its command lines
};

std::string ScenePath(const Setup& setup, const ProjectScene& s) {
  return Join(Join(setup.work, s.folder), std::string(s.name) + ".lws");
}

std::string OutputDir(const Setup& setup, const ProjectScene& s) {
  return Join(Join(setup.work, "Renders"), s.name) + "\\";
}

std::string SceneText(const Setup& setup, const ProjectScene& s) {
  return StandInScene(s.first, s.last, s.step, OutputDir(setup, s) + s.name, s.format);
}

std::string FramePath(const Setup& setup, const ProjectScene& s, int frame) {
  char counter[16];
  std::snprintf(counter, sizeof counter, s.format == 3 ? "%04d" : "%03d", frame);
  std::string path = OutputDir(setup, s) + s.name;
  path += counter;
  path += ".tga";
  return path;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

// The settings file starts with both start-up switches off, so that only the
// edit between the two runs turns them on; scenes are re-saved unasked.
bool Prepare(const Setup& setup, ProjectSetup& p) {
  if (!Install(setup, p.installed)) return false;
  p.settings = Join(p.installed.programDir, "Tallowbridge.ini");
  p.chosen = Join(Join(setup.work, "Jobs"), "night");
  p.project = p.chosen + ".tbp";
  p.argsFile = Join(setup.work, "renderer-args.txt");
  UseStandIn({{"TB_STANDIN_ARGS_FILE", p.argsFile}, {"TB_STANDIN_FRAME_MS", "100"}});
  std::string settings = ReadFile(p.settings);
  settings += "[Program Settings]\r\nLoad last project upon startup = NO\r\n"
              "Continue rendering upon startup = NO\r\nConfirm overwrite scene file (if changed) = NO\r\n";
  bool ok = WriteText(p.settings, settings) && MakeFolders(Join(setup.work, "Jobs")) &&
            MakeFolders(Join(setup.work, "Renders"));
  for (const ProjectScene* s : {&kDawn, &kDusk})
    ok = ok && MakeFolders(Join(setup.work, s->folder)) && WriteText(ScenePath(setup, *s), SceneText(setup, *s));
  return ok;
}

bool WaitGone(HWND window) {
  return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 5000);
}

std::vector<std::string> ExpectedProject(const Setup& setup, const ProjectSetup& p, HWND main) {
  RECT frame{};
  GetWindowRect(main, &frame);
  const int dpi = ScreenDpi();
  return {"[TALLOWBRIDGE1]",
          ";Tallowbridge v1.1 project file.",
          ";",
          "[Required Settings]",
          "LWSN.EXE Location = " + p.installed.renderer,
          "Content Directory = " + p.installed.lightwave + "\\",
          ";",
          "[Program Settings]",
          "WindowX = " + std::to_string(MulDiv(frame.left, 96, dpi)),
          "WindowY = " + std::to_string(MulDiv(frame.top, 96, dpi)),
          "View Output Directory Window = NO",
          "Last Scene Directory = " + Join(setup.work, kDusk.folder) + "\\",
          "Scene Queue View = FullPath",
          "[Scenes]",
          "# = 2",
          "Scene0 = " + ScenePath(setup, kDawn),
          "Scene1 = " + ScenePath(setup, kDusk)};
}

// "Save Project": the name typed without extension; the program adds .tbp.
void SaveProject(const Setup& setup, const ProjectSetup& p, const Program& program, HWND main) {
  const std::string step = "while saving the project";
  Click(GetDlgItem(main, kSaveProjectButton));
  HWND dialog = WaitForDialog(program, kSaveProjectTitle);
  if (!Check(dialog != nullptr, std::string("Save Project opens '") + kSaveProjectTitle + "'")) return;
  Check(ChooseInFileDialog(dialog, p.chosen), "the project's name typed into the save requester", p.chosen);
  // The requester is a #32770 window itself: gone first, then any other
  // box is a stray one.
  Check(WaitGone(dialog), "the save requester closes");
  const std::string want = JoinCrLf(ExpectedProject(setup, p, main));
  std::string have;
  WaitFor(
      [&] {
        AnswerStrayMessage(program, step, IDNO);
        return (have = ReadFile(p.project)) == want;
      },
      5000);
  Check(have == want, "the project file " + p.project + " holds exactly the expected lines",
        FirstDifference(have, want));
  Check(!Exists(p.project + "_temp"), "no temporary file is left beside the project");
  Check(!Exists(p.chosen), "no file is written under the name without extension");
}

// Replaces the line `from` (a whole line, CR LF ended) of the settings text.
bool ReplaceLine(std::string& text, const std::string& from, const std::string& to) {
  const std::string line = "\r\n" + from + "\r\n";
  size_t at = text.find(line);
  if (at == std::string::npos) return false;
  text.replace(at + 2, from.size(), to);
  return true;
}

bool HasLine(const std::string& text, const std::string& line) {
  return text.find("\r\n" + line + "\r\n") != std::string::npos;
}

// The settings written at quit name the project; the start-up switches are
// then turned on by hand.
bool SwitchOnReloading(const ProjectSetup& p) {
  std::string settings = ReadFile(p.settings);
  Check(HasLine(settings, "Last Saved Project = " + p.project), "the settings file names the saved project",
        settings);
  bool ok = ReplaceLine(settings, "Load last project upon startup = NO", "Load last project upon startup = YES") &&
            ReplaceLine(settings, "Continue rendering upon startup = NO", "Continue rendering upon startup = YES") &&
            HasLine(settings, "Confirm overwrite scene file (if changed) = NO");
  return Check(ok && WriteText(p.settings, settings), "both start-up switches turned on in the settings file",
               settings);
}

// The stand-in's command lines, one record (command line, working folder)
// each.
std::vector<std::string> CommandLines(const ProjectSetup& p) {
  std::vector<std::string> lines;
  for (const StandInStart& start : StandInStarts(p.argsFile)) lines.push_back(start.commandLine);
  return lines;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string ExpectedParameters(const Setup& setup, const ProjectSetup& p, const ProjectScene& s) {
  std::string text = " -3 -q -d" + p.installed.lightwave + "\\" + kLogOption + ScenePath(setup, s);
  for (int number : {s.first, s.last, s.step}) {
    text += ' ';
    text += std::to_string(number);
  }
  return text;
}

// The second start: the project comes back and its queue renders at once,
// announced by one "Info" box and nothing else.
void ContinueAtStartUp(const Setup& setup, const ProjectSetup& p) {
  Program program;
  if (!Check(Start(p.installed.exe, setup.work, program), "Tallowbridge.exe started again")) return;
  HWND info = nullptr;
  WaitFor(
      [&] {
        std::string title, text;
        if (HWND box = AnyMessageBox(program, &title, &text)) {
          if (title == "Info") {
            info = box;
            return true;
          }
          Check(false, "no other message at start-up", title + ": " + text);
          Answer(box, IDOK);
        }
        return !program.running();
      },
      20000);
  if (!Check(info != nullptr, "an 'Info' box is shown at start-up")) {
    program.kill();
    return;
  }
  Check(MessageBoxText(info) == "continues", "the box says the queue continues", MessageBoxText(info));
  HWND main = FindTop(program, kMainTitle);
  if (!Check(main != nullptr, "the main window is up behind the box")) {
    program.kill();
    return;
  }
  HWND list = GetDlgItem(main, kQueueList);
  const std::vector<std::string> paths = {ScenePath(setup, kDawn), ScenePath(setup, kDusk)};
  Check(ListCount(list) == 2 && ListLine(list, 0) == paths[0] && ListLine(list, 1) == paths[1],
        "the project's two scenes are queued in their order", ListLine(list, 0) + " | " + ListLine(list, 1));
  Check(CommandLines(p).empty(), "nothing renders before the box is answered");
  Answer(info, IDOK);
  Check(WaitGone(info), "OK closes the box");

  const std::string step = "while the queue renders";
  Check(WaitFor(
            [&] {
              AnswerStrayMessage(program, step, IDNO);
              return !IsWindowVisible(main);
            },
            5000),
        "the main window hides while the queue renders");
  // Once the second scene's renderer has started, the status can only read
  // "LWSN was finished..." again at the end of the queue.
  bool secondStarted = WaitFor(
      [&] {
        AnswerStrayMessage(program, step, IDNO);
        return CommandLines(p).size() >= 2;
      },
      20000);
  Check(secondStarted, "the renderer starts for the second scene");
  std::string status;
  bool ended = secondStarted && WaitFor(
                                    [&] {
                                      AnswerStrayMessage(program, step, IDNO);
                                      status = Text(GetDlgItem(main, kStatusText));
                                      return status == "LWSN was finished..." && IsWindowVisible(main);
                                    },
                                    20000);
  Check(ended, "the queue renders to the end: 'LWSN was finished...' and the main window back", status);

  const std::vector<std::string> commandLines = CommandLines(p);
  Check(commandLines.size() == 2, "the renderer ran twice", std::to_string(commandLines.size()));
  const ProjectScene* scenes[] = {&kDawn, &kDusk};
  for (size_t i = 0; i < 2 && i < commandLines.size(); ++i)
    Check(EndsWith(commandLines[i], ExpectedParameters(setup, p, *scenes[i])),
          std::string(scenes[i]->name) + ": the renderer's parameters", commandLines[i]);
  for (const ProjectScene* s : scenes) {
    for (int frame = s->first; frame <= s->last; frame += s->step) {
      const std::string path = FramePath(setup, *s, frame);
      Check(Exists(path), "frame " + path + " rendered");
    }
  }
  Check(QuitWithYes(program, main) && program.exitCode() == 0, "the program quits with exit code 0");
  program.kill();
}

}  // namespace

int ScenarioProject(const Setup& setup) {
  ProjectSetup p;
  if (!Check(Prepare(setup, p), "program folder, settings and two scenes prepared")) return 1;
  Program program;
  HWND main = StartMainWindow(p.installed, setup, program);
  if (!main) return 1;
  if (!AddScene(program, main, ScenePath(setup, kDawn), 1) || !AddScene(program, main, ScenePath(setup, kDusk), 2)) {
    program.kill();
    return 1;
  }
  SaveProject(setup, p, program, main);
  if (!Check(QuitWithYes(program, main) && program.exitCode() == 0, "the program quits with exit code 0")) {
    program.kill();
    return 1;
  }
  if (SwitchOnReloading(p)) ContinueAtStartUp(setup, p);
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
