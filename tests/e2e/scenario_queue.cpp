// Scenario "queue": two scenes from two folders are added through the file
// requester; the queue list shows them in its three display modes, a chosen
// scene shows its details, and the output directory view opens beside the
// queue with that scene's frame files, follows the selection and closes.
#include <vector>

#include "controls.h"
#include "driver.h"

namespace e2e {

namespace {

const char* const kSeparator = "---------------------------------------";   // 39 hyphens

// A scene the scenario writes, and the frame files already in its output folder.
struct SceneFixture {
  const char* folder;   // in the work folder
  const char* file;
  const char* first;
  const char* last;
  const char* step;
  const char* prefix;
  const char* renders;   // its output folder, in work\Renders
  std::vector<std::string> frames;
  const char* framesText;   // what "Frames Rendered:" then reads
};

const SceneFixture kOpening{"Shots", "opening.lws", "1", "10", "1", "img", "opening",
                            {"img0001.tga", "img0002.tga", "img0003.tga"}, "3 of 10"};
const SceneFixture kClosing{"Finals", "closing.lws", "5", "25", "5", "shot", "closing",
                            {"shot0005.tga", "shot0010.tga"}, "2 of 5"};

std::string ScenePath(const Setup& setup, const SceneFixture& scene) {
  return Join(Join(setup.work, scene.folder), scene.file);
}

std::string OutputDir(const Setup& setup, const SceneFixture& scene) {
  return Join(Join(setup.work, "Renders"), scene.renders) + "\\";
}

// The scene as "Parent Dir+Scene File(s) Only" names it.
std::string FolderAndFile(const SceneFixture& scene) { return std::string(scene.folder) + "\\" + scene.file; }

std::string SceneText(const std::string& outputDir, const SceneFixture& scene) {
  std::string text = "LWSC\r\n3\r\n\r\nFirstFrame ";
  text += scene.first;
  text += "\r\nLastFrame ";
  text += scene.last;
  text += "\r\nFrameStep ";
  text += scene.step;
  text += "\r\nFrameSize 64 48\r\nSaveRGB 1\r\nSaveRGBImagesPrefix ";
  text += outputDir + scene.prefix;
  text += "\r\nRGBImageSaver LW_TGA24(.tga)\r\nOutputFilenameFormat 3\r\n";
  return text;
}

// The scene file and its output folder with its frames. Beside them lie what
// the listing must leave out: a file of another kind, a folder named like a
// frame, and a frame of another prefix.
bool PrepareScene(const Setup& setup, const SceneFixture& scene, const char* foreignFrame) {
  const std::string output = OutputDir(setup, scene);
  bool ok = MakeFolders(Join(setup.work, scene.folder)) && MakeFolders(output + scene.prefix + "0009.tga") &&
            WriteText(ScenePath(setup, scene), SceneText(output, scene)) &&
            WriteText(output + "notes.txt", "not a frame") && WriteText(output + foreignFrame, "");
  for (const auto& frame : scene.frames) ok = ok && WriteText(output + frame, "");
  return ok;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    if (!text.empty()) text += " | ";
    text += line;
  }
  return text;
}

std::vector<std::string> ListLines(HWND list) {
  std::vector<std::string> lines;
  for (int i = 0; i < ListCount(list); ++i) lines.push_back(ListLine(list, i));
  return lines;
}

// The rich edit hands its paragraphs back with CR or CR LF ends; either is
// one line break here.
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      line += text[i];
      continue;
    }
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(line);
    line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void CheckListShows(HWND list, const std::vector<std::string>& wanted, const std::string& what) {
  std::vector<std::string> have;
  WaitFor([&] { return (have = ListLines(list)) == wanted; }, 5000);
  Check(have == wanted, what, Joined(have));
}

bool IsChecked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A left click in the middle of the list's line, as a user chooses a scene.
// Wine carries LB_GETITEMRECT's rectangle across processes itself.
void ClickListLine(HWND main, int index) {
  HWND list = GetDlgItem(main, kQueueList);
  RECT line{};
  LRESULT found = SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line));
  if (!Check(found != LB_ERR, "line " + std::to_string(index) + " of the queue list found"))
    return;
  ClickAt(list, (line.left + line.right) / 2, (line.top + line.bottom) / 2);
}

std::string WaitForText(HWND control, const std::string& wanted) {
  std::string have;
  WaitFor([&] { return (have = Text(control)) == wanted; }, 5000);
  return have;
}

void CheckDetails(HWND main, const Setup& setup, const SceneFixture& scene) {
  const std::string name = scene.file;
  std::string first = WaitForText(GetDlgItem(main, kFirstFrameField), scene.first);
  Check(first == scene.first, name + ": first frame field", first);
  Check(Text(GetDlgItem(main, kLastFrameField)) == scene.last, name + ": last frame field", Text(GetDlgItem(main, kLastFrameField)));
  Check(Text(GetDlgItem(main, kFrameStepField)) == scene.step, name + ": frame step field", Text(GetDlgItem(main, kFrameStepField)));
  Check(Text(GetDlgItem(main, kOutputDirField)) == OutputDir(setup, scene), name + ": output directory field",
        Text(GetDlgItem(main, kOutputDirField)));
  Check(Text(GetDlgItem(main, kOutputFilenameField)) == std::string(scene.prefix) + ".tga", name + ": output filename field",
        Text(GetDlgItem(main, kOutputFilenameField)));
  Check(Text(GetDlgItem(main, kFramesRenderedText)) == scene.framesText, name + ": frames rendered", Text(GetDlgItem(main, kFramesRenderedText)));
}

void CheckDisplayModes(HWND main, const std::vector<std::string>& paths) {
  HWND list = GetDlgItem(main, kQueueList);
  HWND fileOnly = GetDlgItem(main, kSceneFileOnlyCheck);
  HWND parentDir = GetDlgItem(main, kParentDirViewCheck);
  Check(IsWindowEnabled(fileOnly) && IsWindowEnabled(parentDir), "both display mode boxes are usable");
  Click(fileOnly);
  CheckListShows(list, {kOpening.file, kClosing.file}, "'Scene Files(s) Only' shows the file names");
  Check(IsChecked(fileOnly) && !IsChecked(parentDir), "only 'Scene Files(s) Only' is ticked");
  Click(parentDir);
  CheckListShows(list, {FolderAndFile(kOpening), FolderAndFile(kClosing)},
                 "'Parent Dir+Scene File(s) Only' shows folder and file");
  Check(IsChecked(parentDir) && !IsChecked(fileOnly), "ticking it clears 'Scene Files(s) Only'");
  Click(parentDir);
  CheckListShows(list, paths, "with neither box ticked the full paths are back");
  Check(!IsChecked(parentDir) && !IsChecked(fileOnly), "neither box is ticked");
  Check(Text(GetDlgItem(main, kFirstFrameField)).empty() && !IsWindowEnabled(GetDlgItem(main, kViewOutputDirButton)),
        "the details wait for a scene to be chosen");
}

std::vector<std::string> ExpectedListing(const Setup& setup, const SceneFixture& scene) {
  std::vector<std::string> lines = {"Viewing Output Dir: " + OutputDir(setup, scene), kSeparator};
  lines.insert(lines.end(), scene.frames.begin(), scene.frames.end());
  lines.push_back(kSeparator);
  lines.push_back("End Of Output");
  return lines;
}

void CheckListing(HWND main, const Setup& setup, const SceneFixture& scene) {
  const std::vector<std::string> wanted = ExpectedListing(setup, scene);
  std::vector<std::string> have;
  WaitFor([&] { return (have = TextLines(Text(GetDlgItem(main, kOutputListingView)))) == wanted; }, 5000);
  Check(have == wanted, std::string("the output listing shows the frames of ") + scene.file, Joined(have));
}

int Scaled(int logical) { return MulDiv(logical, ScreenDpi(), 96); }

// "View Output Directory >>" widens the window to show the listing;
// "Close Directory View <<" narrows it again.
bool ToggleOutputView(HWND main, int wantedWidth, const char* wantedCaption) {
  HWND button = GetDlgItem(main, kViewOutputDirButton);
  if (!Check(WaitFor([&] { return IsWindowEnabled(button) != 0; }, 5000), "the output view button is usable"))
    return false;
  Click(button);
  bool sized = WaitFor([&] { return InnerSize(main).cx == Scaled(wantedWidth); }, 5000);
  Check(sized, "inner width becomes " + std::to_string(wantedWidth), std::to_string(InnerSize(main).cx));
  std::string caption = WaitForText(button, wantedCaption);
  Check(caption == wantedCaption, std::string("the button then reads '") + wantedCaption + "'", caption);
  Check(InnerSize(main).cy == Scaled(451), "the height stays 451", std::to_string(InnerSize(main).cy));
  return sized;
}

}  // namespace

int ScenarioQueue(const Setup& setup) {
  Installed installed;
  if (!Check(Install(setup, installed) && PrepareScene(setup, kOpening, "shot0001.tga") &&
                 PrepareScene(setup, kClosing, "img0005.tga"),
             "program folder, two scenes and their output folders prepared"))
    return 1;
  Program program;
  HWND main = StartMainWindow(installed, setup, program);
  if (!main) return 1;
  const std::vector<std::string> paths = {ScenePath(setup, kOpening), ScenePath(setup, kClosing)};
  HWND list = GetDlgItem(main, kQueueList);
  if (!AddScene(program, main, paths[0], 1) || !AddScene(program, main, paths[1], 2)) {
    program.kill();
    return 1;
  }
  CheckListShows(list, paths, "the queue list shows both full paths in the order added");
  Check(Text(GetDlgItem(main, kQueueCountText)) == "2 Scene File(s) In Queue", "the queue count", Text(GetDlgItem(main, kQueueCountText)));
  Check(SendMessageW(list, LB_GETCURSEL, 0, 0) == 1, "the scene added last is selected");
  CheckDetails(main, setup, kClosing);

  CheckDisplayModes(main, paths);

  ClickListLine(main, 0);
  CheckDetails(main, setup, kOpening);
  if (ToggleOutputView(main, 600, "Close Directory View <<")) {
    CheckListing(main, setup, kOpening);
    Check(Text(GetDlgItem(main, kFramesRenderedText)) == kOpening.framesText, "the frames count stays with the view open",
          Text(GetDlgItem(main, kFramesRenderedText)));
    OfferScreenshot(setup, "queue-wide");
    ClickListLine(main, 1);
    CheckListing(main, setup, kClosing);
    CheckDetails(main, setup, kClosing);
    Check(InnerSize(main).cx == Scaled(600), "choosing another scene keeps the view open");
    ToggleOutputView(main, 294, "View Output Directory >>");
  }
  Check(QuitWithYes(program, main) && program.exitCode() == 0, "the program quits with exit code 0");
  program.kill();
  return Failures() == 0 ? 0 : 1;
}

}  // namespace e2e
