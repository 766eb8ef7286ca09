#include "core/scene_queue.h"

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/program_state.h"
#include "core/text.h"
#include "platform/platform.h"
#include "render/build_detection.h"
#include "render/output_tools.h"
#include "render/progress.h"
#include "scene/scene_reader.h"
#include "ui/main_window.h"

namespace {

using Controls = std::initializer_list<int>;

void Enable(Controls controls, bool enabled) {
  for (int control : controls) pf::SetControlEnabled(control, enabled);
}

void EmptyTexts(Controls controls) {
  for (int control : controls) pf::SetControlText(control, "");
}

// The selected scene's details and their buttons.
constexpr Controls kDetailControls = {
    kOutputDirButton, kOutputFilenameButton, kOutputDirField,  kOutputFilenameField, kFirstFrameButton,
    kLastFrameButton, kFrameStepButton,      kFirstFrameField, kLastFrameField,      kFrameStepField,
    kPercentDoneText, kEditSceneButton,      kViewOutputDirButton};
constexpr Controls kDetailTexts = {kFirstFrameField, kLastFrameField, kFrameStepField, kOutputDirField,
                                   kOutputFilenameField};
// What no one may use while a renderer runs.
constexpr Controls kLockedWhileRendering = {
    kAddSceneButton,  kSaveProjectButton, kSettingsButton,  kLoadProjectButton, kFirstFrameButton,
    kLastFrameButton, kFrameStepButton,   kMoveUpButton,    kMoveDownButton,    kOutputDirButton,
    kOutputFilenameButton, kEditSceneButton, kClearScenesButton};
// What a scene whose frames are all there may not change; its last frame
// may still be raised.
constexpr Controls kLockedWhenComplete = {
    kStartQueueButton, kMoveUpButton,    kMoveDownButton,  kOutputFilenameButton, kOutputDirField,
    kOutputDirButton,  kOutputFilenameField, kFirstFrameButton, kFirstFrameField, kFrameStepButton,
    kFrameStepField,   kEditSceneButton};

int Selection() { return pf::ControlState(kQueueList); }

bool ValidRow(int row) { return row >= 0 && row < static_cast<int>(g.queue.scenePaths.size()); }

// Rows are kept exactly as many as QueueList has lines.
void EraseRow(int row) {
  auto& q = g.queue;
  if (!ValidRow(row)) return;
  q.scenePaths.erase(q.scenePaths.begin() + row);
  q.displayTexts.erase(q.displayTexts.begin() + row);
  q.fields.erase(q.fields.begin() + row);
  q.renderStates.erase(q.renderStates.begin() + row);
}

void EraseAllRows() {
  auto& q = g.queue;
  q.scenePaths.clear();
  q.displayTexts.clear();
  q.fields.clear();
  q.renderStates.clear();
}

// Swaps everything of two rows, the display text included, so that a row
// the display mode cannot name keeps its text.
void SwapRows(int a, int b) {
  auto& q = g.queue;
  std::swap(q.scenePaths[a], q.scenePaths[b]);
  std::swap(q.displayTexts[a], q.displayTexts[b]);
  std::swap(q.fields[a], q.fields[b]);
  std::swap(q.renderStates[a], q.renderStates[b]);
}

void MoveScene(int offset) {
  int from = Selection();
  int to = from + offset;
  RecountQueue();
  if (from < 0 || to < 0 || from >= g.queue.count || to >= g.queue.count) return;
  if (!ValidRow(from) || !ValidRow(to)) return;
  SwapRows(from, to);
  pf::SetControlItems(kQueueList, std::vector<std::string>(g.queue.scenePaths.begin(),
                                                           g.queue.scenePaths.begin() + g.queue.count));
  g.queue.queueChanged = 1;
  RebuildQueueDisplay();
  RefreshQueueState();
  ShowQueueCount();
}

bool AlreadyQueued(const std::string& path) {
  for (int i = 0; i < g.queue.count && i < static_cast<int>(g.queue.scenePaths.size()); ++i)
    if (g.queue.scenePaths[i] == path) return true;
  return false;
}

// "shots\a.lws" for D:\proj\shots\a.lws: the last folder and the file name.
// A scene without a parent folder (a drive's root) keeps the text it had.
void ParentDirDisplay(int row) {
  const std::string& path = g.queue.scenePaths[row];
  auto fileStart = path.rfind('\\');
  if (fileStart == std::string::npos || fileStart == 0) return;
  auto folderStart = path.rfind('\\', fileStart - 1);
  if (folderStart == std::string::npos) return;
  g.queue.displayTexts[row] = path.substr(folderStart + 1);
}

// The output filename field: the prefix and, by the filename format, the
// extension or the extension in brackets (frames saved without it). A format
// the table does not know shows the suffix computed last time.
std::string OutputFilenameText(const SceneEntry& entry) {
  const std::string& format = entry[kFieldOutputFilenameFormat];
  const std::string& extension = entry[kFieldImageExtension];
  if (format == "0" || format == "2" || format == "4" || format == "6") g.queue.filenameSuffix = " (" + extension + ")";
  if (format == "1" || format == "3" || format == "5" || format == "7") g.queue.filenameSuffix = extension;
  return entry[kFieldOutputPrefix] + g.queue.filenameSuffix;
}

}  // namespace

void ShowSceneDetails(int row) {
  if (!ValidRow(row)) return;
  const SceneEntry& entry = g.queue.fields[row];
  pf::SetControlTooltip(kQueueList, g.queue.scenePaths[row]);
  pf::SetControlText(kFirstFrameField, entry[kFieldFirstFrame]);
  pf::SetControlText(kLastFrameField, entry[kFieldLastFrame]);
  pf::SetControlText(kFrameStepField, entry[kFieldFrameStep]);
  pf::SetControlText(kOutputDirField, entry[kFieldOutputDir]);
  pf::SetControlText(kOutputFilenameField, OutputFilenameText(entry));
}

namespace {

// After a clear, a removal or a move nothing is selected: the details are
// emptied and their controls wait for the next selection.
void ResetDetails() {
  Enable({kSceneFileOnlyCheck, kParentDirViewCheck, kViewSceneButton, kMoveUpButton, kMoveDownButton,
          kClearScenesButton},
         false);
  Enable(kDetailControls, false);
  for (int check : {kSceneFileOnlyCheck, kParentDirViewCheck, kHighPriorityCheck, kConsoleViewCheck})
    pf::SetControlState(check, 0);
  g.queue.queueChanged = 0;
  EmptyTexts(kDetailTexts);
  SetMainWindowWide(false);
  g.framesFound = 2;
  ShowNoProgress();
}

// The first two steps of the housekeeping: a clear or removal the user
// confirmed is applied to the lists.
void ApplyPendingClear() {
  auto& q = g.queue;
  if (q.pendingClearAnswer == pf::kAnswerYes && q.queueChanged) {
    pf::DeletePath(RendererLogPath());
    q.renderCursor = 0;
    EraseAllRows();
    q.pendingClearAnswer = 0;
  }
  if (q.pendingClearAnswer == pf::kAnswerNo && q.queueChanged && q.currentScene < q.count) {
    EraseRow(q.currentScene);
    q.pendingClearAnswer = 0;
  }
}

void UpdateMoveButtons(int count, int selected) {
  if (count == 0 && selected == 0) pf::SetControlEnabled(kMoveUpButton, false);
  if (count >= 1 && selected == 0) {
    pf::SetControlEnabled(kMoveUpButton, false);
    pf::SetControlEnabled(kMoveDownButton, true);
  }
  if (count >= 2 && selected >= 1) Enable({kMoveDownButton, kMoveUpButton}, true);
  if (selected == count - 1) pf::SetControlEnabled(kMoveDownButton, false);
}

// A scene whose frames are all there cannot be started or edited again.
// While a renderer runs the start button is the stop button: showing a
// complete scene must not take the only way to stop the queue.
void ApplyCompletionLock() {
  int row = g.queue.currentScene;
  if (!ValidRow(row) || g.framesFound <= 2) return;
  if (!SceneComplete(g.queue.fields[row], g.framesFound - 2)) return;
  const bool stopButton = g.rendering != 0;
  Enable(kLockedWhenComplete, false);
  if (stopButton) pf::SetControlEnabled(kStartQueueButton, true);
}

}  // namespace

int RecountQueue() {
  g.queue.count = pf::CountControlItems(kQueueList);
  return g.queue.count;
}

void AppendQueueRow(const std::string& path) {
  auto& q = g.queue;
  int row = q.count;
  q.scenePaths.resize(row);
  q.displayTexts.resize(row);
  q.fields.resize(row);
  q.renderStates.resize(row);
  q.scenePaths.push_back(path);
  // The line shows the full path until the display mode is applied.
  q.displayTexts.push_back(path);
  SceneEntry entry{};
  entry[kFieldPercentDone].push_back('0');   // not = "0": GCC 12 warns of an overlap it imagines there
  q.fields.push_back(std::move(entry));
  q.renderStates.push_back(0);
  pf::AddControlItem(kQueueList, path);
  ++q.count;
}

void AddSceneToQueue() {
  RecountQueue();
  std::string path = pf::RequestOpenFile("Add scene file(s) to queue...", g.settings.lastSceneDirectory,
                                         "Lightwave Scene(s) (*.lws)|*.LWS", 0);
  if (path.empty()) return;
  QueueScenePath(path);
}

void QueueScenePath(const std::string& path) {
  RecountQueue();
  if (AlreadyQueued(path)) {
    pf::ShowMessage("Information", "'" + path + "' already exist in queue, not added!", pf::kBoxInfo);
    return;
  }
  g.settings.lastSceneDirectory = DirectoryPart(path);
  if (!CheckSceneFile(path)) return;
  AppendQueueRow(path);
  ReadSceneEntry(g.queue.count - 1);
  pf::SetControlState(kQueueList, g.queue.count - 1);
  g.queue.detailsReenable = 1;
  g.queue.currentScene = Selection();
  g.queue.queueChanged = 0;
  RefreshOutputListing();
  RefreshQueueState();
  ShowQueueCount();
  ShowProgress();
}

void ClearScenes() {
  pf::SetControlEnabled(kClearScenesButton, false);
  int answer = pf::ShowMessage("Confirmation", "Yes = Delete All Scene(s)\n\r No = Delete Only Selected Scene",
                               pf::kBoxQuestionCancel);
  g.queue.pendingClearAnswer = answer;
  if (answer == pf::kAnswerYes) {
    RecountQueue();
    pf::ClearControlItems(kQueueList);
    g.queue.queueChanged = 1;
  } else if (answer == pf::kAnswerNo) {
    pf::RemoveControlItem(kQueueList, g.queue.currentScene);
    g.queue.queueChanged = 1;
  } else {
    pf::SetControlEnabled(kClearScenesButton, true);
    g.queue.queueChanged = 0;
  }
  RefreshQueueState();
  ShowQueueCount();
}

void MoveSceneUp() { MoveScene(-1); }
void MoveSceneDown() { MoveScene(+1); }

void SelectScene() {
  int selected = Selection();
  if (selected < 0) return;
  g.queue.currentScene = selected;
  Enable({kAddSceneButton, kClearScenesButton, kViewSceneButton}, true);
  Enable(kDetailControls, true);
  g.queue.queueChanged = 0;
  RefreshOutputListing();
  RefreshQueueState();
  ShowQueueCount();
  ShowProgress();
}

// At most one mode box is on; the details wait for a new selection.
void SetDisplayMode(int clickedCheck) {
  int other = clickedCheck == kSceneFileOnlyCheck ? kParentDirViewCheck : kSceneFileOnlyCheck;
  pf::SetControlState(other, 0);
  Enable({kClearScenesButton, kMoveUpButton, kMoveDownButton, kViewSceneButton}, false);
  Enable(kDetailControls, false);
  EmptyTexts(kDetailTexts);
  RebuildQueueDisplay();
  RefreshQueueState();
  ShowQueueCount();
  ShowProgress();
  pf::SetControlState(kQueueList, 0);
}

void RebuildQueueDisplay() {
  auto& q = g.queue;
  if (RecountQueue() == 0) return;
  int rows = std::min<int>(q.count, static_cast<int>(q.scenePaths.size()));
  bool fileOnly = pf::ControlState(kSceneFileOnlyCheck) == 1;
  bool parentDir = pf::ControlState(kParentDirViewCheck) == 1;
  for (int i = 0; i < rows; ++i) {
    if (parentDir) {
      if (q.scenePaths[i].empty()) break;
      ParentDirDisplay(i);
    } else {
      q.displayTexts[i] = fileOnly ? FilePart(q.scenePaths[i]) : q.scenePaths[i];
    }
  }
  pf::SetControlItems(kQueueList, std::vector<std::string>(q.displayTexts.begin(), q.displayTexts.begin() + rows));
}

void ShowQueueCount() {
  pf::SetControlText(kQueueCountText, std::to_string(RecountQueue()) + " Scene File(s) In Queue");
}

// The order matters: the re-enable step comes last, so a set re-enable flag
// enables the details even of a complete scene or while rendering.
void RefreshQueueState() {
  auto& q = g.queue;
  ApplyPendingClear();
  const int count = q.count;
  if (count >= 1) Enable({kSceneFileOnlyCheck, kParentDirViewCheck, kSaveProjectButton, kStartQueueButton}, true);
  const int selected = Selection();
  UpdateMoveButtons(count, selected);
  if (selected < 1 && q.queueChanged) ResetDetails();
  if (!g.rendering) Enable({kSaveProjectButton, kSettingsButton, kLoadProjectButton}, true);
  if (g.rendering) Enable(kLockedWhileRendering, false);
  RecountQueue();
  if (q.count == 0 && selected < 1 && !q.queueChanged) {
    Enable({kSaveProjectButton, kStartQueueButton}, false);
    EraseAllRows();
  }
  if (selected >= 0) ShowSceneDetails(selected);
  ApplyCompletionLock();
  if (q.detailsReenable) {
    Enable({kClearScenesButton, kAddSceneButton, kViewSceneButton, kSceneFileOnlyCheck, kParentDirViewCheck}, true);
    Enable(kDetailControls, true);
    q.detailsReenable = 0;
  }
}
