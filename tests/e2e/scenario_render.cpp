// Scenarios "render", "renderfail" and "rendercrash": a scene is added
// through the file requester and rendered by the stand-in renderer; the
// program starts it with the exact command line, hides in the tray while it
// runs, counts the frames and reports how the renderer ended.
#include <cctype>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {

struct RenderSetup {
  Installed installed;
  std::string scene;       // work\Scenes\shot.lws
  std::string outputDir;   // work\Renders\ (made by the program)
  std::string argsFile;    // the stand-in's record of its command line
};

bool Prepare(const Setup& setup, RenderSetup& r) {
  if (!Install(setup, r.installed)) return false;
  std::string scenes = Join(setup.work, "Scenes");
  r.scene = Join(scenes, "shot.lws");
  r.outputDir = Join(setup.work, "Renders") + "\\";
  r.argsFile = Join(setup.work, "renderer-args.txt");
  SetEnvironmentVariableA("TB_STANDIN_ARGS_FILE", r.argsFile.c_str());
  return MakeFolders(scenes) &&
         WriteText(r.scene, "LWSC\r\n3\r\n\r\nFirstFrame 1\r\nLastFrame 3\r\nFrameStep 1\r\nFrameSize 64 48\r\n"
                            "SaveRGB 1\r\nSaveRGBImagesPrefix " + r.outputDir + "shot\r\n"
                            "RGBImageSaver LW_TGA24(.tga)\r\nOutputFilenameFormat 1\r\n");
}

std::string Lower(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  while (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

bool AddScene(const Program& program, HWND main, const RenderSetup& r) {
  Click(GetDlgItem(main, kAddSceneButton));
  HWND dialog = WaitForDialog(program, "Add scene file(s) to queue...");
  if (!Check(dialog != nullptr, "Add Scene opens 'Add scene file(s) to queue...'")) return false;
  ChooseInFileDialog(dialog, r.scene);
  HWND list = GetDlgItem(main, kQueueList);
  if (!Check(WaitFor([&] { return ListCount(list) == 1; }, 5000), "the scene is in the queue list")) return false;
  Check(ListLine(list, 0) == r.scene, "the queue list shows the scene's path", ListLine(list, 0));
  Check(Text(GetDlgItem(main, kQueueCountText)) == "1 Scene File(s) In Queue", "the queue count", Text(GetDlgItem(main, kQueueCountText)));
  Check(IsWindowEnabled(GetDlgItem(main, kStartQueueButton)) != 0, "Start Queue! is usable");
  return true;
}

// Starts the queue and checks the launch: window hidden, command line,
// working directory, status texts.
void StartAndCheckLaunch(const Program& program, HWND main, const RenderSetup& r) {
  (void)program;
  Click(GetDlgItem(main, kStartQueueButton));
  Check(WaitFor([&] { return !IsWindowVisible(main); }, 5000), "Start hides the main window");
  std::vector<StandInStart> starts;
  bool started = WaitFor([&] { return !(starts = StandInStarts(r.argsFile)).empty(); }, 10000);
  if (!Check(started, "the renderer was started")) return;
  const std::string& commandLine = starts[0].commandLine;
  const std::string& folder = starts[0].folder;
  std::string expected = " -3 -q -d" + r.installed.lightwave + "\\ -llwsn_tallowbridge.log " + r.scene + " 1 3 1";
  Check(commandLine.size() >= expected.size() &&
            commandLine.compare(commandLine.size() - expected.size(), expected.size(), expected) == 0,
        "the renderer's parameters", commandLine);
  Check(Lower(folder) == Lower(Join(r.installed.lightwave, "Programs")), "the renderer runs in its own folder",
        folder);
  Check(Text(GetDlgItem(main, kStatusText)) == "Rendering: shot.lws", "status while rendering", Text(GetDlgItem(main, kStatusText)));
  Check(Text(GetDlgItem(main, kStartQueueButton)) == "Stop Queue!", "the start button reads Stop Queue!", Text(GetDlgItem(main, kStartQueueButton)));
}

HWND StartRendering(const Setup& setup, RenderSetup& r, Program& program) {
  if (!Check(Prepare(setup, r), "program folder and scene prepared")) return nullptr;
  HWND main = StartMainWindow(r.installed, setup, program);
  if (!main || !AddScene(program, main, r)) return nullptr;
  StartAndCheckLaunch(program, main, r);
  return main;
}

// Brings the window back from the tray and quits.
void Finish(const Program& program, HWND main) {
  PostMessageA(main, WM_APP + 1, 0, WM_LBUTTONUP);
  Check(WaitFor([&] { return IsWindowVisible(main) != 0; }, 5000), "the tray icon brings the main window back");
  Check(QuitWithYes(program, main) && program.exitCode() == 0, "the program quits with exit code 0");
  program.kill();
}

// A control's text once it reads wanted, or what it reads after the wait: the
// program sets the status first and the other texts within the same tick.
std::string TextAfter(HWND main, int id, const std::string& wanted, int timeoutMs = 5000) {
  std::string text;
  WaitFor([&] { return (text = Text(GetDlgItem(main, id))) == wanted; }, timeoutMs);
  return text;
}

std::string StatusAfter(HWND main, const char* wanted, int timeoutMs) { return TextAfter(main, kStatusText, wanted, timeoutMs); }

}  // namespace

int ScenarioRender(const Setup& setup) {
  SetEnvironmentVariableA("TB_STANDIN_FRAME_MS", "1500");
  RenderSetup r;
  Program program;
  HWND main = StartRendering(setup, r, program);
  if (!main) return 1;
  std::string status = StatusAfter(main, "LWSN was finished...", 40000);
  Check(status == "LWSN was finished...", "the finished queue is reported", status);
  for (const char* name : {"shot001.tga", "shot002.tga", "shot003.tga"})
    Check(Exists(r.outputDir + name), std::string("frame ") + name + " written in the scene's output directory");
  const std::string frames = TextAfter(main, kFramesRenderedText, "3 of 3");
  Check(frames == "3 of 3", "frames rendered 3 of 3", frames);
  const std::string percent = TextAfter(main, kPercentDoneText, "(100% done)");
  Check(percent == "(100% done)", "100% done", percent);
  const std::string caption = TextAfter(main, kStartQueueButton, "Scene Done!");
  Check(caption == "Scene Done!", "the start button reads Scene Done!", caption);
  Finish(program, main);
  return Failures() == 0 ? 0 : 1;
}

// A renderer that ends with a positive exit code has failed.
int ScenarioRenderFailure(const Setup& setup) {
  SetEnvironmentVariableA("TB_STANDIN_FRAME_MS", "500");
  SetEnvironmentVariableA("TB_STANDIN_FAIL_AFTER", "1");
  SetEnvironmentVariableA("TB_STANDIN_EXIT", "5");
  RenderSetup r;
  Program program;
  HWND main = StartRendering(setup, r, program);
  if (!main) return 1;
  std::string status = StatusAfter(main, "LWSN failed! (exit code 5)", 20000);
  Check(status == "LWSN failed! (exit code 5)", "a failed renderer is reported with its exit code", status);
  std::string caption;
  WaitFor([&] { return (caption = Text(GetDlgItem(main, kStartQueueButton))) != "Stop Queue!"; }, 5000);
  Check(caption != "Stop Queue!", "the start button no longer reads Stop Queue!", caption);
  Finish(program, main);
  return Failures() == 0 ? 0 : 1;
}

// A crashing renderer ends with a negative exit code: terminated.
int ScenarioRenderCrash(const Setup& setup) {
  SetEnvironmentVariableA("TB_STANDIN_FRAME_MS", "500");
  SetEnvironmentVariableA("TB_STANDIN_FAIL_AFTER", "1");
  SetEnvironmentVariableA("TB_STANDIN_CRASH", "1");
  RenderSetup r;
  Program program;
  HWND main = StartRendering(setup, r, program);
  if (!main) return 1;
  std::string status = StatusAfter(main, "LWSN was terminated!", 20000);
  Check(status == "LWSN was terminated!", "a crashed renderer is reported as terminated", status);
  Finish(program, main);
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
