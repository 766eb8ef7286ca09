// Scenario "modern": scenes of today's LightWave in the real windows. The
// settings window shows the stand-in renderer's version resource; the scene
// LightWave 2019 wrote without an output path (run-e2e.sh puts it into the
// work folder, its last frame brought down to 2 here) gets its output folder
// from the main window's requester and its file name from the "Output
// Filename" window, takes exactly one path line, and renders into that
// folder with every frame counted; the scene settings window on a scene of
// three cameras shows the middle, rendering camera's size and its sampling;
// "View Scene (LW)" starts Layout.exe where there is no lightwav.exe.
#include <shlobj.h>

#include <vector>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {

constexpr int kOutputDirButton = 16;
constexpr int kViewSceneButton = 5;
constexpr int kRendererVersionLabel = 260;

struct ModernSetup {
  Installed installed;
  std::string lw2019;      // work\Scenes\lw2019.lws
  std::string cameras;     // work\Scenes\cameras.lws
  std::string outputDir;   // work\Out (no backslash)
  std::string layoutRecord;
};

std::vector<std::string> SplitCrLf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(bytes.substr(start, at - start));
  return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

int FindLine(const std::vector<std::string>& lines, const std::string& text) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == text) return static_cast<int>(i);
  return -1;
}

// Three cameras of format 5, the middle one rendering at 800 by 600 with
// 2 to 16 samples; saving set up, so the scene settings window opens.
std::string ThreeCameras(const std::string& outputDir) {
  return JoinCrLf({"LWSC", "5", "", "FirstFrame 1", "LastFrame 3", "FrameStep 1", "",
                   "AddCamera 30000000", "CameraName Left", "ResolutionMultiplier 1.0", "FrameSize 320 240",
                   "PixelAspect 1", "AASamples 3", "Plugin CameraHandler 1 Perspective", "EndPlugin", "",
                   "AddCamera 30000001", "CameraName Middle", "ResolutionMultiplier 1.0", "FrameSize 800 600",
                   "PixelAspect 1", "AASamples 1", "MinimumSamples 2", "MaximumSamples 16",
                   "Plugin CameraHandler 1 Perspective", "EndPlugin", "",
                   "AddCamera 30000002", "CameraName Right", "ResolutionMultiplier 1.0", "FrameSize 1024 768",
                   "PixelAspect 1", "AASamples 7", "Plugin CameraHandler 1 Perspective", "EndPlugin", "",
                   "Antialiasing 0", "AntiAliasingLevel -1", "RenderMode 2", "DataOverlayLabel  ",
                   "OutputFilenameFormat 1", "SaveRGB 1", "SaveRGBImagesPrefix " + outputDir + "\\cam_",
                   "RGBImageSaver LW_TGA24(.tga)", "", "CurrentCamera 1"});
}

bool Prepare(const Setup& setup, ModernSetup& m) {
  if (!Install(setup, m.installed)) return false;
  std::string ini = Join(m.installed.programDir, "Tallowbridge.ini");
  std::string settings = ReadFile(ini) + "[Program Settings]\r\nConfirm overwrite scene file (if changed) = NO\r\n";
  const std::string scenes = Join(setup.work, "Scenes");
  const std::string programs = Join(m.installed.lightwave, "Programs");
  const std::string standInFolder = setup.renderer.substr(0, setup.renderer.find_last_of('\\'));
  m.lw2019 = Join(scenes, "lw2019.lws");
  m.cameras = Join(scenes, "cameras.lws");
  m.outputDir = Join(setup.work, "Out");
  m.layoutRecord = Join(programs, "Layout-started.txt");
  std::vector<std::string> lines = SplitCrLf(ReadFile(Join(setup.work, "weight_rig_lw2019.lws")));
  const int last = FindLine(lines, "LastFrame 120");
  if (!Check(last >= 0, "the 2019 scene is in the work folder, frames 0 to 120")) return false;
  lines[static_cast<std::size_t>(last)] = "LastFrame 2";
  return WriteText(ini, settings) && MakeFolders(scenes) && MakeFolders(m.outputDir) &&
         WriteText(m.lw2019, JoinCrLf(lines)) && WriteText(m.cameras, ThreeCameras(m.outputDir)) &&
         CopyInto(Join(standInFolder, "Layout.exe"), Join(programs, "Layout.exe"));
}

std::string WaitForText(HWND control, const std::string& wanted, int timeoutMs = 5000) {
  std::string have;
  WaitFor([&] { return (have = Text(control)) == wanted; }, timeoutMs);
  return have;
}

void CheckRendererVersion(const Program& program, HWND main) {
  Click(GetDlgItem(main, kSettingsButton));
  HWND settings = nullptr;
  WaitFor([&] { return (settings = FindTop(program, kSettingsTitle)) != nullptr; }, 5000);
  if (!Check(settings != nullptr, "Settings... opens the settings window")) return;
  const std::string shown = WaitForText(GetDlgItem(settings, kRendererVersionLabel), "lwsn.exe 2019.1.5");
  Check(shown == "lwsn.exe 2019.1.5", "the settings window shows the renderer's version resource", shown);
  Click(GetDlgItem(settings, kSettingsCancelButton));
  Check(WaitFor([&] { return FindTop(program, kSettingsTitle) == nullptr; }, 5000), "Cancel closes it");
}

// The output directory requester is the system's folder dialog: the folder
// is selected in it by its own message, then OK.
bool ChooseFolder(const Program& program, const std::string& folder) {
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = AnyMessageBox(program, nullptr, nullptr)) != nullptr; }, 5000);
  if (!Check(dialog != nullptr, "'Output Directory:' opens the folder requester")) return false;
  std::wstring wide(folder.begin(), folder.end());
  wide.push_back(L'\0');
  bool sent = SendWithBuffer(program, dialog, BFFM_SETSELECTIONW, TRUE, wide.data(), wide.size() * sizeof(wchar_t));
  Check(sent, "the output folder selected in the requester");
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  return WaitFor([&] { return !IsWindow(dialog); }, 5000);
}

void SetOutputPath(const Program& program, HWND main, const ModernSetup& m, const std::string& original) {
  Check(Text(GetDlgItem(main, kOutputDirField)) == "Not found, please specify",
        "the 2019 scene without an output path shows 'Not found, please specify'", Text(GetDlgItem(main, kOutputDirField)));
  Click(GetDlgItem(main, kOutputDirButton));
  if (!ChooseFolder(program, m.outputDir)) return;
  const std::string dir = WaitForText(GetDlgItem(main, kOutputDirField), m.outputDir + "\\");
  Check(dir == m.outputDir + "\\", "the output directory field shows the chosen folder", dir);
  Check(ReadFile(m.lw2019) == original, "a folder without a file name writes nothing yet");

  Click(GetDlgItem(main, kOutputFilenameButton));
  HWND window = nullptr;
  WaitFor([&] { return (window = FindTop(program, kFilenameTitle)) != nullptr; }, 5000);
  if (!Check(window != nullptr, "'Output Filename:' opens its window")) return;
  HWND field = GetDlgItem(window, kFilenameField);
  SendMessageW(field, EM_SETSEL, 0, -1);
  for (char ch : std::string("weight_")) PostMessageW(field, WM_CHAR, static_cast<WPARAM>(ch), 1);
  Check(WaitForText(field, "weight_") == "weight_", "weight_ typed as the file name", Text(field));
  Check(Text(GetDlgItem(window, kFileFormatCombo)) == ".png", "the format list shows the scene's .png",
        Text(GetDlgItem(window, kFileFormatCombo)));
  Click(GetDlgItem(window, kFilenameOkButton));
  Check(WaitFor([&] { return FindTop(program, kFilenameTitle) == nullptr; }, 5000), "OK closes the window");

  std::vector<std::string> lines = SplitCrLf(original);
  const int saveRgb = FindLine(lines, "SaveRGB 1");
  lines.insert(lines.begin() + saveRgb + 1, "SaveRGBImagesPrefix " + m.outputDir + "\\weight_");
  const std::string want = JoinCrLf(lines);
  std::string have;
  WaitFor([&] { return (have = ReadFile(m.lw2019)) == want; }, 5000);
  Check(have == want, "the 2019 scene holds one new line, the output path right after SaveRGB 1",
        FirstDifference(have, want));
}

void RenderIntoTheFolder(HWND main, const ModernSetup& m) {
  Click(GetDlgItem(main, kStartQueueButton));
  const std::string status = WaitForText(GetDlgItem(main, kStatusText), "LWSN was finished...", 60000);
  Check(status == "LWSN was finished...", "the 2019 scene renders to its end", status);
  for (const char* name : {"weight_000.png", "weight_001.png", "weight_002.png"})
    Check(Exists(Join(m.outputDir, name)), std::string(name) + " written into the chosen folder");
  const std::string frames = WaitForText(GetDlgItem(main, kFramesRenderedText), "3 of 3");
  Check(frames == "3 of 3", "progress counts the frames: 3 of 3", frames);
  const std::string percent = WaitForText(GetDlgItem(main, kPercentDoneText), "(100% done)");
  Check(percent == "(100% done)", "100% done", percent);
  PostMessageA(main, WM_APP + 1, 0, WM_LBUTTONUP);   // back from the tray
  Check(WaitFor([&] { return IsWindowVisible(main) != 0; }, 5000), "the main window comes back");
}

void CheckRenderingCamera(const Setup& setup, const Program& program, HWND main, const ModernSetup& m) {
  if (!AddScene(program, main, m.cameras, 2)) return;
  Click(GetDlgItem(main, kEditSceneButton));
  HWND window = nullptr;
  WaitFor([&] { return (window = FindTop(program, kSceneSettingsTitle)) != nullptr; }, 5000);
  if (!Check(window != nullptr, "'Edit Scene Settings...' opens on the three-camera scene")) return;
  const std::string size = WaitForText(GetDlgItem(window, kFrameSizeField), "800x600 (SVGA)");
  Check(size == "800x600 (SVGA)", "the frame size is the middle, rendering camera's", size);
  HWND sampling = GetDlgItem(window, kAntialiasingCombo);
  Check(Text(sampling) == "Camera: 2 to 16 samples", "the camera's sampling stands in place of antialiasing",
        Text(sampling));
  Check(!IsWindowEnabled(sampling), "the sampling cannot be changed here");
  OfferScreenshot(setup, "modern-scene-settings");
  Click(GetDlgItem(window, kSceneSettingsCancelButton));
  Check(WaitFor([&] { return FindTop(program, kSceneSettingsTitle) == nullptr; }, 5000), "Cancel closes it");
}

void CheckLayout(HWND main, const ModernSetup& m) {
  Click(GetDlgItem(main, kViewSceneButton));
  std::string record;
  WaitFor([&] { return !(record = ReadFile(m.layoutRecord)).empty(); }, 10000);
  if (!Check(!record.empty(), "'View Scene (LW)' starts Layout.exe where there is no lightwav.exe")) return;
  std::vector<std::string> lines = SplitCrLf(record);
  Check(lines.size() == 2 && lines[0].size() > m.cameras.size() &&
            lines[0].compare(lines[0].size() - m.cameras.size(), m.cameras.size(), m.cameras) == 0,
        "Layout.exe is given the scene's path", record);
  Check(lines.size() == 2 && lines[1] == m.cameras.substr(0, m.cameras.find_last_of('\\')),
        "Layout.exe runs in the scene's folder", record);
}

}  // namespace

int ScenarioModern(const Setup& setup) {
  UseStandIn({{"TB_STANDIN_FRAME_MS", "100"}});
  ModernSetup m;
  if (!Check(Prepare(setup, m), "program folder, scenes and the stand-in Layout.exe prepared")) return 1;
  const std::string original = ReadFile(m.lw2019);
  Program program;
  HWND main = StartMainWindow(m.installed, setup, program);
  if (!main) return 1;
  CheckRendererVersion(program, main);
  if (AddScene(program, main, m.lw2019, 1)) {
    SetOutputPath(program, main, m, original);
    RenderIntoTheFolder(main, m);
  }
  CheckRenderingCamera(setup, program, main, m);
  CheckLayout(main, m);
  Check(QuitWithYes(program, main) && program.exitCode() == 0, "the program quits with exit code 0");
  program.kill();
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
