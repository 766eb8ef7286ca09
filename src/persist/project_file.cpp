#include "persist/project_file.h"

#include <cstdint>
#include <limits>
#include <string>

#include "core/program_state.h"
#include "core/unattended.h"
#include "core/scene_queue.h"
#include "core/text.h"
#include "persist/preference_file.h"
#include "platform/platform.h"
#include "render/build_detection.h"
#include "render/output_tools.h"
#include "render/progress.h"
#include "scene/scene_reader.h"
#include "ui/main_window.h"

namespace {

constexpr const char* kHeader = "TALLOWBRIDGE1";
constexpr const char* kFilter = "Tallowbridge Project (*.tbp)|*.tbp";
constexpr int kDefaultPosition = 150;

std::string StartFolder() { return DirectoryPart(g.settings.lastSavedProject); }

const char* QueueViewText() {
  if (pf::ControlState(kParentDirViewCheck) == 1) return "ParentDir+SceneFile";
  if (pf::ControlState(kSceneFileOnlyCheck) == 1) return "SceneFileOnly";
  return "FullPath";
}

void WriteProjectLines() {
  PreferenceFile::SelectGroup(kHeader);
  PreferenceFile::WriteComment(g.programTitle + " project file.");
  PreferenceFile::WriteComment("");
  PreferenceFile::SelectGroup("Required Settings");
  PreferenceFile::WriteString("LWSN.EXE Location", g.settings.rendererPath);
  PreferenceFile::WriteString("Content Directory", g.settings.contentDirectory);
  PreferenceFile::WriteComment("");
  PreferenceFile::SelectGroup("Program Settings");
  PreferenceFile::WriteNumber("WindowX", pf::WindowX(kMainWindow));
  PreferenceFile::WriteNumber("WindowY", pf::WindowY(kMainWindow));
  PreferenceFile::WriteString("View Output Directory Window",
                              pf::WindowInnerWidth(kMainWindow) == kWideWidth ? "YES" : "NO");
  PreferenceFile::WriteString("Last Scene Directory", g.settings.lastSceneDirectory);
  PreferenceFile::WriteString("Scene Queue View", QueueViewText());
  PreferenceFile::SelectGroup("Scenes");
  const int count = RecountQueue();
  PreferenceFile::WriteNumber("#", count);
  for (int i = 0; i < count && i < static_cast<int>(g.queue.scenePaths.size()); ++i)
    PreferenceFile::WriteString("Scene" + std::to_string(i), g.queue.scenePaths[i]);
}

// Empties the queue before a project fills it.
void EmptyQueue() {
  pf::ClearControlItems(kQueueList);
  g.queue.queueChanged = 1;
  g.queue.scenePaths.clear();
  g.queue.displayTexts.clear();
  g.queue.fields.clear();
  g.queue.renderStates.clear();
  g.queue.count = 0;
  g.queue.renderCursor = 0;
}

// Only an existing lwsn.exe is taken, as Locate in the settings window
// takes it; anything else keeps the renderer the program has.
void ReadRenderer() {
  std::string path = PreferenceFile::ReadString("LWSN.EXE Location", g.settings.rendererPath);
  if (path == g.settings.rendererPath) return;
  if (ToLowerAscii(FilePart(path)) != "lwsn.exe" || pf::QueryFileSize(path) < 0) {
    ShowNotice("Info", "The project's renderer was not taken, it is not an existing lwsn.exe:\n" + path,
                    pf::kBoxInfo);
    return;
  }
  g.settings.rendererPath = path;
  DetectRendererBuild();
}

void ReadWindowState() {
  pf::PlaceWindow(kMainWindow, PreferenceFile::ReadNumber("WindowX", kDefaultPosition),
                  PreferenceFile::ReadNumber("WindowY", kDefaultPosition));
  std::string view = PreferenceFile::ReadString("View Output Directory Window", "NO");
  if (view == "YES" || view == "NO") SetMainWindowWide(view == "YES");
  g.settings.lastSceneDirectory = PreferenceFile::ReadString("Last Scene Directory", g.settings.lastSceneDirectory);
  std::string mode = PreferenceFile::ReadString("Scene Queue View", "FullPath");
  if (mode == "FullPath" || mode == "SceneFileOnly" || mode == "ParentDir+SceneFile") {
    pf::SetControlState(kSceneFileOnlyCheck, mode == "SceneFileOnly");
    pf::SetControlState(kParentDirViewCheck, mode == "ParentDir+SceneFile");
  }
}

// A scene file that is not there is queued without being read: the reader
// would only beep and find nothing.
void QueueProjectScene(const std::string& path) {
  g.settings.lastSceneDirectory = DirectoryPart(path);
  AppendQueueRow(path);
  const int row = g.queue.count - 1;
  if (pf::QueryFileSize(path) >= 0) ReadSceneEntry(row);
  pf::SetControlState(kQueueList, row);
  g.queue.currentScene = row;
  g.queue.detailsReenable = 1;
  // Selected as an added scene is: the queue is no longer without a
  // selection, so the refresh below must not reset the details, which would
  // narrow the window and clear the display mode the project just set.
  g.queue.queueChanged = 0;
  RefreshOutputListing();
  RefreshQueueState();
  ShowQueueCount();
  ShowProgress();
}

// Scene0 upwards, up to "#" and never past the first missing entry: a
// damaged or hostile count neither repeats entries nor runs on.
void ReadScenes() {
  PreferenceFile::SelectGroup("Scenes");
  const std::int32_t count = PreferenceFile::ReadNumber("#", std::numeric_limits<std::int32_t>::max());
  const std::string missing(1, '\0');
  for (std::int32_t i = 0; i < count; ++i) {
    std::string path = PreferenceFile::ReadString("Scene" + std::to_string(i), missing);
    if (path == missing) break;
    QueueProjectScene(path);
  }
}

bool ConfirmReplacing(const std::string& path) {
  return pf::ShowMessage("Question", "Do you really want to overwrite:\n" + path + " ?", pf::kBoxQuestion) ==
         pf::kAnswerYes;
}

void ReportSaveFailure() { pf::ShowMessage("Error!", "Could not save project, already in use?", pf::kBoxError); }

}  // namespace

std::string ProjectPathWithExtension(const std::string& chosen) {
  std::size_t nameStart = chosen.rfind('\\');
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  std::size_t dot = chosen.find('.', nameStart);
  return (dot == std::string::npos ? chosen : chosen.substr(0, dot)) + ".tbp";
}

void LoadProjectWithRequester() {
  g.currentProjectPath = pf::RequestOpenFile("Load Tallowbridge project...", StartFolder(), kFilter, 0);
  LoadProject();
}

void LoadProject() {
  if (g.currentProjectPath.empty()) return;
  if (!PreferenceFile::OpenForReading(g.currentProjectPath) || !PreferenceFile::SelectGroup(kHeader)) {
    g.projectLoadFailed = 1;
    PreferenceFile::Close();
    ShowNotice("Error!", "File not found / Corrupted Tallowbridge project (.TBP) file!\nNo project loaded!",
                    pf::kBoxError);
    return;
  }
  EmptyQueue();
  PreferenceFile::SelectGroup("Required Settings");
  ReadRenderer();
  g.settings.contentDirectory = PreferenceFile::ReadString("Content Directory", g.settings.contentDirectory);
  PreferenceFile::SelectGroup("Program Settings");
  ReadWindowState();
  ReadScenes();
  PreferenceFile::Close();
}

void SaveProject() {
  std::string chosen =
      pf::RequestSaveFile("Save Tallowbridge project or overwrite previous project...", StartFolder(), kFilter, 0);
  g.currentProjectPath = chosen;
  if (chosen.empty()) return;
  const std::string path = ProjectPathWithExtension(chosen);
  g.currentProjectPath = path;
  // The requester asked about the name the user chose, not about this one.
  if (path != chosen && pf::QueryFileSize(path) >= 0 && !ConfirmReplacing(path)) return;
  const std::string temp = path + "_temp";
  if (!PreferenceFile::CreateForWriting(temp)) {
    ReportSaveFailure();
    return;
  }
  WriteProjectLines();
  if (!PreferenceFile::Close() || !pf::MovePathOver(temp, path)) {
    pf::DeletePath(temp);
    ReportSaveFailure();
  }
}
