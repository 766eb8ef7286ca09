// Scenario "edit": a scene added through the file requester is edited from
// the main window in the real windows: its first and last frame through the
// input requester, its output file name and format in the "Output Filename"
// window, and its frame scale, antialiasing and render mode by a preset in
// the scene settings window. After each edit the scene file on disk holds
// exactly the expected bytes, every line ending CR LF. Then a second scene
// with 1,000 frames renders on while its output listing is open and
// scrolled: the first line shown stays where the user scrolled it.
#include <vector>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {

struct EditSetup {
  Installed installed;
  std::string scene;       // work\Scenes\edit.lws
  std::string outputDir;   // work\Out\ (with the backslash)
};

// The scene as a list of lines; each step edits the lines it expects to
// change and the file must then equal them joined with CR LF.
std::vector<std::string> InitialLines(const std::string& outputDir) {
  return {"LWSC",
          "3",
          "",
          "FirstFrame 1",
          "LastFrame 30",
          "FrameStep 1",
          "PreviewFirstFrame 1",
          "PreviewLastFrame 30",
          "PreviewFrameStep 1",
          "FramesPerSecond 30",
          "",
          "AddCamera",
          "CameraName Camera",
          "ResolutionMultiplier 1.0",
          "FrameSize 640 480",
          "PixelAspect 1.0",
          "Antialiasing 2",
          "EnhancedAA 1",
          "AdaptiveSampling 1",
          "",
          "SaveRGB 0",
          "OutputFilenameFormat 3",
          "SaveRGBImagesPrefix " + outputDir + "img",
          "RGBImageSaver LW_BMP24(.bmp)",
          "",
          "RenderMode 2",
          "DataOverlayLabel  "};
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

// Replaces the first line that reads `from`.
void Replace(std::vector<std::string>& lines, const std::string& from, const std::string& to) {
  for (auto& line : lines) {
    if (line == from) {
      line = to;
      return;
    }
  }
}

void Remove(std::vector<std::string>& lines, const std::string& text) {
  for (auto it = lines.begin(); it != lines.end(); ++it) {
    if (*it == text) {
      lines.erase(it);
      return;
    }
  }
}

HWND WaitForWindow(const Program& program, const std::string& title, const char* className,
                   const std::string& during) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        AnswerStrayMessage(program, during);
        return (found = FindTop(program, title, className)) != nullptr;
      },
      5000);
  return found;
}

bool WaitGone(const Program& program, HWND window, const std::string& during) {
  return WaitFor(
      [&] {
        AnswerStrayMessage(program, during);
        return !IsWindow(window) || !IsWindowVisible(window);
      },
      5000);
}

// The scene on disk must become exactly `lines`; no temporary file may be
// left beside it.
void CheckSceneBytes(const Program& program, const EditSetup& e, const std::vector<std::string>& lines,
                     const std::string& step) {
  const std::string want = JoinCrLf(lines);
  std::string have;
  WaitFor(
      [&] {
        AnswerStrayMessage(program, step);
        return (have = ReadFile(e.scene)) == want;
      },
      5000);
  Check(have == want, step + ": the scene file holds exactly the expected bytes", FirstDifference(have, want));
  Check(!Exists(e.scene + "_temp"), step + ": no temporary file is left beside the scene");
}

std::string WaitForText(HWND control, const std::string& wanted) {
  std::string have;
  WaitFor([&] { return (have = Text(control)) == wanted; }, 5000);
  return have;
}

// Types text into an edit field as keystrokes would: the field's text is
// selected first, so the characters replace it.
bool TypeInto(HWND field, const std::string& text) {
  SendMessageW(field, EM_SETSEL, 0, -1);
  for (char ch : text) PostMessageW(field, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(ch)), 1);
  return WaitForText(field, text) == text;
}

bool IsChecked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool Prepare(const Setup& setup, EditSetup& e) {
  if (!Install(setup, e.installed)) return false;
  // The overwrite question is switched off: each edit writes at once.
  std::string ini = Join(e.installed.programDir, "Tallowbridge.ini");
  std::string settings = ReadFile(ini);
  settings += "[Program Settings]\r\nConfirm overwrite scene file (if changed) = NO\r\n";
  std::string scenes = Join(setup.work, "Scenes");
  e.scene = Join(scenes, "edit.lws");
  e.outputDir = Join(setup.work, "Out") + "\\";
  return WriteText(ini, settings) && MakeFolders(scenes) && MakeFolders(Join(setup.work, "Out")) &&
         WriteText(e.scene, JoinCrLf(InitialLines(e.outputDir)));
}

bool AddAndSelect(const Program& program, HWND main, const EditSetup& e) {
  Click(GetDlgItem(main, kAddSceneButton));
  HWND dialog = WaitForDialog(program, "Add scene file(s) to queue...");
  if (!Check(dialog != nullptr, "Add Scene opens 'Add scene file(s) to queue...'")) return false;
  Check(ChooseInFileDialog(dialog, e.scene), "the scene's path typed into the requester");
  HWND list = GetDlgItem(main, kQueueList);
  if (!Check(WaitFor([&] { return ListCount(list) == 1; }, 5000), "the scene is in the queue list")) return false;
  Check(ListLine(list, 0) == e.scene, "the queue list shows the scene's path", ListLine(list, 0));
  Check(SendMessageW(list, LB_GETCURSEL, 0, 0) == 0, "the added scene is selected");
  std::string first = WaitForText(GetDlgItem(main, kFirstFrameField), "1");
  Check(first == "1", "the first frame field reads 1", first);
  Check(Text(GetDlgItem(main, kOutputFilenameField)) == "img.bmp", "the output filename field reads img.bmp",
        Text(GetDlgItem(main, kOutputFilenameField)));
  return true;
}

// A frame field edited through the input requester: `typed` and Enter;
// the scene's line `from` becomes `to` and the field reads `shown`.
struct FrameEdit {
  int button, field;
  const char* title;   // the requester's, and the step's name
  const char* offered;
  const char* typed;
  const char* from;
  const char* to;
  const char* shown;
};

void EditFrameField(const Program& program, HWND main, const EditSetup& e, std::vector<std::string>& lines,
                    const FrameEdit& edit) {
  const std::string step = edit.title;
  HWND button = GetDlgItem(main, edit.button);
  if (!Check(WaitFor([&] { return IsWindowEnabled(button) != 0; }, 5000), step + ": its button is usable")) return;
  Click(button);
  HWND requester = WaitForWindow(program, edit.title, "TallowbridgeInput", step);
  if (!Check(requester != nullptr, step + ": the input requester opens")) return;
  HWND field = GetDlgItem(requester, kRequesterField);
  Check(Text(field) == edit.offered, step + ": the requester offers the present value", Text(field));
  Check(!IsWindowEnabled(main), "the main window takes no input while the requester is open");
  bool typed = TypeInto(field, edit.typed);
  Check(typed, step + ": " + edit.typed + " typed into the requester's field", Text(field));
  PostMessageW(field, WM_KEYDOWN, VK_RETURN, 1);
  Check(WaitGone(program, requester, step), "Enter closes the requester");
  Check(WaitFor([&] { return IsWindowEnabled(main) != 0; }, 5000), "the main window takes input again");
  Replace(lines, edit.from, edit.to);
  CheckSceneBytes(program, e, lines, step);
  std::string shown = WaitForText(GetDlgItem(main, edit.field), edit.shown);
  Check(shown == edit.shown, step + ": the field reads " + edit.shown, shown);
}

// "First Frame:" 5, then "Last Frame:" 3: with no frame rendered a last
// frame below the first is raised to the first.
void EditFrames(const Program& program, HWND main, const EditSetup& e, std::vector<std::string>& lines) {
  EditFrameField(program, main, e, lines,
                 {kFirstFrameButton, kFirstFrameField, "First frame", "1", "5", "FirstFrame 1", "FirstFrame 5", "5"});
  EditFrameField(program, main, e, lines,
                 {kLastFrameButton, kLastFrameField, "Last frame", "30", "3", "LastFrame 30", "LastFrame 5", "5"});
}

// "Output Filename:" opens its window: a new name typed, ".tga" chosen, OK.
void EditOutputFilename(const Setup& setup, const Program& program, HWND main, const EditSetup& e,
                        std::vector<std::string>& lines) {
  const std::string step = "output filename";
  HWND button = GetDlgItem(main, kOutputFilenameButton);
  if (!Check(WaitFor([&] { return IsWindowEnabled(button) != 0; }, 5000), "'Output Filename:' is usable")) return;
  Click(button);
  HWND window = WaitForWindow(program, "Output Filename", nullptr, step);
  if (!Check(window != nullptr, "'Output Filename:' opens the window 'Output Filename'")) return;
  HWND field = GetDlgItem(window, kFilenameField);
  HWND combo = GetDlgItem(window, kFileFormatCombo);
  std::string name = WaitForText(field, "img");
  Check(name == "img", "the name field shows the scene's prefix", name);
  Check(Text(combo) == ".bmp", "the format list shows the scene's .bmp", Text(combo));
  bool typed = TypeInto(field, "frame_");
  Check(typed, "frame_ typed into the name field", Text(field));
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(kFileFormatCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  Check(Text(combo) == ".tga", "the format list's second entry, .tga, chosen", Text(combo));
  OfferScreenshot(setup, "edit-filename");
  Click(GetDlgItem(window, kFilenameOkButton));
  Check(WaitGone(program, window, step), "OK closes the window");
  // Saving switched on, the new prefix in the same folder, the TGA saver.
  Replace(lines, "SaveRGB 0", "SaveRGB 1");
  Replace(lines, "SaveRGBImagesPrefix " + e.outputDir + "img", "SaveRGBImagesPrefix " + e.outputDir + "frame_");
  Replace(lines, "RGBImageSaver LW_BMP24(.bmp)", "RGBImageSaver LW_TGA24(.tga)");
  CheckSceneBytes(program, e, lines, step);
  std::string shown = WaitForText(GetDlgItem(main, kOutputFilenameField), "frame_.tga");
  Check(shown == "frame_.tga", "the output filename field reads frame_.tga", shown);
}

// "Edit Scene Settings...": Preset 02 and "Overwrite Scene".
void EditSceneSettings(const Setup& setup, const Program& program, HWND main, const EditSetup& e,
                       std::vector<std::string>& lines) {
  const std::string step = "scene settings";
  Click(GetDlgItem(main, kEditSceneButton));
  HWND window = WaitForWindow(program, kSceneSettingsTitle, nullptr, step);
  if (!Check(window != nullptr, std::string("'Edit Scene Settings...' opens '") + kSceneSettingsTitle + "'")) return;
  HWND size = GetDlgItem(window, kFrameSizeField);
  HWND overwrite = GetDlgItem(window, kOverwriteSceneButton);
  std::string shown = WaitForText(size, "640x480 (VGA)");
  Check(shown == "640x480 (VGA)", "the frame size field shows the scene's size", shown);
  Check(Text(GetDlgItem(window, kFrameScaleCombo)) == "1.0 (100%)", "the frame scale shows 1.0 (100%)",
        Text(GetDlgItem(window, kFrameScaleCombo)));
  Check(Text(GetDlgItem(window, kAntialiasingCombo)) == "Enhanced Medium",
        "the antialiasing shows Enhanced Medium", Text(GetDlgItem(window, kAntialiasingCombo)));
  Check(IsChecked(GetDlgItem(window, kRealisticOption)) && IsChecked(GetDlgItem(window, kPresetNoneOption)),
        "Realistic and None are chosen");
  Check(!IsWindowEnabled(overwrite), "'Overwrite Scene' waits for a change");

  Click(GetDlgItem(window, kPreset2Option));
  shown = WaitForText(size, "1280x960 (XGA)");
  Check(shown == "1280x960 (XGA)", "Preset 02: the frame size field shows 1280x960 (XGA)", shown);
  Check(Text(GetDlgItem(window, kFrameScaleCombo)) == "2.0 (200%)", "Preset 02: frame scale 2.0 (200%)",
        Text(GetDlgItem(window, kFrameScaleCombo)));
  Check(Text(GetDlgItem(window, kAntialiasingCombo)) == "Off", "Preset 02: antialiasing Off",
        Text(GetDlgItem(window, kAntialiasingCombo)));
  // The render modes and the presets are two groups: choosing a preset must
  // leave exactly one render mode chosen, and one preset.
  Check(IsChecked(GetDlgItem(window, kWireframeOption)) && !IsChecked(GetDlgItem(window, kQuickshadeOption)) &&
            !IsChecked(GetDlgItem(window, kRealisticOption)),
        "Preset 02: Wireframe is the one render mode chosen");
  Check(IsChecked(GetDlgItem(window, kPreset2Option)) && !IsChecked(GetDlgItem(window, kPresetNoneOption)),
        "Preset 02 is the one preset chosen");
  Check(WaitFor([&] { return IsWindowEnabled(overwrite) != 0; }, 5000), "'Overwrite Scene' becomes usable");
  OfferScreenshot(setup, "edit-settings");

  Click(overwrite);
  Check(WaitGone(program, window, step), "'Overwrite Scene' closes the window");
  // 200%, antialiasing off (a plain level: the EnhancedAA line below it
  // goes), wireframe.
  Replace(lines, "ResolutionMultiplier 1.0", "ResolutionMultiplier 2.0");
  Replace(lines, "FrameSize 640 480", "FrameSize 1280 960");
  Replace(lines, "Antialiasing 2", "Antialiasing 0");
  Remove(lines, "EnhancedAA 1");
  Replace(lines, "RenderMode 2", "RenderMode 0");
  CheckSceneBytes(program, e, lines, step);
  Check(Text(GetDlgItem(main, kFirstFrameField)) == "5" && Text(GetDlgItem(main, kLastFrameField)) == "5" &&
            Text(GetDlgItem(main, kOutputFilenameField)) == "frame_.tga",
        "the main window still shows frames 5 to 5 and frame_.tga");
}

// The listing's first line shown, and how many lines it has.
int FirstVisibleLine(HWND view) { return static_cast<int>(SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0)); }
int LineCount(HWND view) { return static_cast<int>(SendMessageW(view, EM_GETLINECOUNT, 0, 0)); }

// A scene of frames 1 to 1,040 with 1,000 already there renders on at 300 ms
// a frame while its listing is open and scrolled to line 400: through the
// refreshes every 3 s, the listing grows and the view stays put.
void ListingKeepsItsPlace(const Setup& setup, const Program& program, HWND main) {
  const std::string step = "open listing";
  const std::string folder = Join(setup.work, "Listing");
  const std::string scene = Join(setup.work, "Scenes\\listing.lws");
  bool made = MakeFolders(folder) &&
              WriteText(scene, StandInScene(1, 1040, 1, folder + "\\f") + "StandinBehaviour frameMs 300\r\n");
  for (int n = 1; made && n <= 1000; ++n) made = WriteText(folder + "\\f" + std::to_string(10000 + n).substr(1) + ".tga", "x");
  if (!Check(made, step + ": a scene and 1,000 of its frames written")) return;
  if (!AddScene(program, main, scene, 2)) return;
  Click(GetDlgItem(main, kViewOutputDirButton));
  // Start renders what is not done: the first scene's one frame, then this one.
  Click(GetDlgItem(main, kStartQueueButton));
  const bool rendering = WaitFor([&] { return Text(GetDlgItem(main, kStatusText)) == "Rendering: listing.lws"; }, 30000);
  if (!Check(rendering, step + ": the listing scene renders", Text(GetDlgItem(main, kStatusText)))) return;
  PostMessageA(main, WM_APP + 1, 0, WM_LBUTTONUP);   // back from the tray
  WaitFor([&] { return IsWindowVisible(main) != 0; }, 5000);
  HWND view = GetDlgItem(main, kOutputListingView);
  const bool listed = WaitFor([&] { return LineCount(view) >= 1004; }, 10000);
  if (!Check(listed, step + ": the view lists the 1,000 frames", std::to_string(LineCount(view)))) return;
  SendMessageW(view, EM_LINESCROLL, 0, 400);
  const int scrolled = FirstVisibleLine(view);
  Check(scrolled == 400, step + ": the view scrolled to line 400", std::to_string(scrolled));
  // Two refreshes' worth of new frames; the view must not move meanwhile.
  const int before = LineCount(view);
  int lines = before, moved = -1;
  const bool grew = WaitFor(
      [&] {
        const int first = FirstVisibleLine(view);
        if (first != scrolled && moved < 0) moved = first;
        return (lines = LineCount(view)) >= before + 10;
      },
      20000);
  Check(grew, step + ": new frame names were appended while it rendered", std::to_string(lines) + " lines");
  Check(moved < 0 && FirstVisibleLine(view) == scrolled, step + ": the first line shown stayed where it was scrolled",
        "moved to " + std::to_string(moved < 0 ? FirstVisibleLine(view) : moved));
  OfferScreenshot(setup, "edit-listing");
  Click(GetDlgItem(main, kStartQueueButton));   // Stop
  const bool stopped = WaitFor([&] { return Text(GetDlgItem(main, kStatusText)) == "LWSN was terminated!"; }, 10000);
  Check(stopped, step + ": Stop ends the render", Text(GetDlgItem(main, kStatusText)));
}

}  // namespace

int ScenarioEdit(const Setup& setup) {
  EditSetup e;
  if (!Check(Prepare(setup, e), "program folder, settings and scene prepared")) return 1;
  Program program;
  HWND main = StartMainWindow(e.installed, setup, program);
  if (!main) return 1;
  if (!AddAndSelect(program, main, e)) {
    program.kill();
    return 1;
  }
  std::vector<std::string> lines = InitialLines(e.outputDir);
  EditFrames(program, main, e, lines);
  EditOutputFilename(setup, program, main, e, lines);
  EditSceneSettings(setup, program, main, e, lines);
  ListingKeepsItsPlace(setup, program, main);
  Check(QuitWithYes(program, main) && program.exitCode() == 0, "the program quits with exit code 0");
  program.kill();
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
