#include "render/render_job.h"

#include <cstdint>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "core/text.h"
#include "platform/platform.h"
#include "render/build_detection.h"
#include "render/frame_check.h"
#include "render/output_tools.h"
#include "render/overnight_run.h"
#include "render/progress.h"
#include "render/run_watch.h"
#include "render/supervision.h"
#include "ui/main_window.h"
#include "ui/tray_about.h"

namespace {

constexpr int kRenderTimer = 1;
constexpr int kRenderPeriod = 3000;

bool ValidRow(int row) { return row >= 0 && row < g.queue.count && row < static_cast<int>(g.queue.fields.size()); }

// Past the end of the queue every row counts as not started.
int RenderState(int row) { return ValidRow(row) ? g.queue.renderStates[row] : 0; }

// The frame a render of the scene starts at: after the frames already
// there, first + F * step, or its first frame when there are none.
std::int64_t FirstFrameToRender(const SceneEntry& entry) {
  std::int64_t first = ReadNumber(entry[kFieldFirstFrame]);
  std::int64_t found = g.framesFound - 2;
  return found >= 1 ? first + found * EffectiveStep(entry) : first;
}

// The row that renders becomes the selected and current scene.
void SelectRow(int row) {
  pf::SetControlState(kQueueList, row);
  g.queue.currentScene = row;
}

// Why the scene cannot render, or nullptr when its output path is known.
const char* OutputPathProblem(const SceneEntry& entry) {
  if (entry[kFieldOutputDir] == g.placeholder) return "Please specify an output directory.";
  if (entry[kFieldOutputPrefix] == g.placeholder) return "Please specify a filename.";
  return nullptr;
}

void RestartRenderTimer() {
  pf::StopTimer(kMainWindow, kRenderTimer);
  pf::Pause(10);
  pf::StartTimer(kMainWindow, kRenderTimer, kRenderPeriod);
}

// A missing output folder is made (one level); a failure shows up as a
// renderer that writes no frames.
void PrepareOutput(const SceneEntry& entry) {
  const std::string& directory = entry[kFieldOutputDir];
  if (!directory.empty() && pf::QueryFileSize(directory) != -2) pf::MakeDirectory(directory);
  if (g.logCapableBuild) pf::DeletePath(RendererLogPath());
}

void ShowRenderingState(int row) {
  for (int control : {kAddSceneButton, kEditSceneButton, kClearScenesButton, kMoveUpButton, kMoveDownButton,
                      kOutputDirButton, kOutputFilenameButton, kLoadProjectButton, kSaveProjectButton,
                      kSettingsButton, kFirstFrameButton, kLastFrameButton, kFrameStepButton})
    pf::SetControlEnabled(control, false);
  pf::SetControlText(kStatusText, "Rendering: " + FilePart(g.queue.scenePaths[row]));
  pf::SetControlText(kStartQueueButton, "Stop Queue!");
  pf::Pause(10);
  // Without a tray icon a hidden window could not be brought back.
  if (pf::TrayIconShown(kTrayIcon)) pf::SetWindowVisible(kMainWindow, false);
}

// A row whose frames are all there is done, whatever its state says: every
// row but the first of a reloaded project starts with state 0, and a
// renderer must never be given a first frame past the last.
bool RowDone(int row) {
  if (!ValidRow(row)) return false;
  const SceneEntry& entry = g.queue.fields[row];
  const bool looksDone = RenderState(row) == 2 || SceneComplete(entry, CountFrameFiles(entry));
  // A scene whose last frame was cut off only looks done: the frame goes and
  // the scene continues from it.
  if (looksDone && g.settings.overnight.checkLastFrame && DropCutOffLastFrame(entry)) {
    g.queue.renderStates[row] = 0;
    return false;
  }
  if (looksDone) g.queue.renderStates[row] = 2;
  return looksDone;
}

// Skips the rows that are done, and those a run left behind as failed;
// the row reached is the one launched.
int SkipDoneRows() {
  while (RowDone(g.queue.renderCursor) || SceneFailed(g.queue.renderCursor)) {
    ++g.queue.renderCursor;
    pf::SetControlState(kQueueList, g.queue.renderCursor);
  }
  return g.queue.renderCursor;
}

// A scene that cannot be launched. Nobody may be there at night: with NEXT
// it is left behind as failed, without a box, and the launch goes on with
// the next row (true). Otherwise the run ends here: recorded, and the
// system may sleep while the box waits for someone to click it.
bool PassOver(int row, long long firstFrame, const std::string& reason, const std::string& message) {
  WatchJobNotStarted(row, firstFrame);
  if (PassOverUnlaunchableScene(row, reason)) {
    ++g.queue.renderCursor;
    return true;
  }
  g.queue.renderCursor = 0;
  pf::ShowMessage("Error!", message, pf::kBoxError);
  return false;
}

// Only a queue told to go on looks for the scene file itself: otherwise the
// renderer reports a missing scene as it always did.
bool SceneFileGone(int row) {
  return g.settings.overnight.whenSceneFails == WhenSceneFails::kNext && pf::QueryFileSize(g.queue.scenePaths[row]) < 0;
}

// One launch attempt at the render cursor: true when it is settled (started,
// the queue done, or the run ended); false to go on with the next row.
bool LaunchRow() {
  const int row = SkipDoneRows();
  SelectRow(row);
  if (row >= g.queue.count || !ValidRow(row)) {
    // The whole queue is done: nothing starts, the timer keeps ticking.
    RestartRenderTimer();
    g.queue.currentScene = g.rendererExitCode = g.queue.renderCursor = 0;
    if (g.run.active && !g.queue.failedScenes.empty()) pf::SetControlText(kStatusText, QueueFinishedStatus());
    WatchQueueFinished();
    return true;
  }
  const long long sceneFirst = ReadNumber(g.queue.fields[row][kFieldFirstFrame]);
  if (const char* problem = OutputPathProblem(g.queue.fields[row])) return !PassOver(row, sceneFirst, problem, problem);
  if (SceneFileGone(row)) return !PassOver(row, sceneFirst, "scene file not found", "");
  // The details show the scene that renders, not the one shown before.
  ShowSceneDetails(row);
  RefreshOutputListing();
  RestartRenderTimer();
  const SceneEntry& entry = g.queue.fields[row];
  // A frame cut off when the renderer was stopped or crashed would be
  // counted as rendered: it goes, and the scene continues from it.
  if (g.settings.overnight.checkLastFrame && g.framesFound > 2 && DropCutOffLastFrame(entry)) RefreshOutputListing();
  const std::int64_t firstFrame = FirstFrameToRender(entry);
  PrepareOutput(entry);
  const int flags = pf::ControlState(kConsoleViewCheck) == 1 ? 0 : pf::kRunHidden;
  g.rendererProcess = pf::StartProgram(g.settings.rendererPath, RendererParameters(row, firstFrame),
                                       DirectoryPart(g.settings.rendererPath), flags);
  if (g.rendererProcess == 0) {
    // Reported, and the window stays as it was before the launch.
    return !PassOver(row, firstFrame, "the renderer did not start",
                     "Could not start the renderer:\n" + g.settings.rendererPath);
  }
  ApplyRendererPriority();
  pf::SetProcessPriority(g.rendererProcess, g.rendererPriority);
  g.rendering = 1;
  g.rendererExitCode = pf::kStillActive;
  ShowRenderingState(row);
  WatchJobStarted(row, firstFrame);
  return true;
}

}  // namespace

std::string QuoteArgument(const std::string& argument) {
  if (argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string RendererParameters(int row, long long firstFrame) {
  const SceneEntry& entry = g.queue.fields[row];
  std::string text = " -3 -q -d";
  text += QuoteArgument(g.settings.contentDirectory);
  text += g.logCapableBuild ? " -llwsn_tallowbridge.log " : " ";
  text += QuoteArgument(g.queue.scenePaths[row]);
  // Appended piece by piece: GCC 12 warns of an overlap in " " + temporary.
  for (std::int64_t frame : {std::int64_t{firstFrame}, std::int64_t{ReadNumber(entry[kFieldLastFrame])},
                             EffectiveStep(entry)}) {
    text += ' ';
    text += std::to_string(frame);
  }
  return text;
}

void LaunchRenderJob() {
  g.queue.queueChanged = 1;
  ForgetRenderer();
  RecountQueue();
  for (;;) {
    if (LaunchRow()) return;
  }
}

void ApplyRendererPriority() {
  if (g.rendererProcess <= 0) return;
  g.rendererPriority = pf::ControlState(kHighPriorityCheck) == 1 ? pf::kPriorityHigh : pf::kPriorityIdle;
  pf::SetProcessPriority(g.rendererProcess, g.rendererPriority);
}

void ForgetRenderer() {
  if (g.rendererProcess) pf::ReleaseProcess(g.rendererProcess);
  g.rendererProcess = 0;
}

void StartQueue() {
  // Start tries every scene a run left behind again.
  ClearSceneFailures();
  if (BeginWaitForStartTime()) return;
  StartQueueNow();
}

void StartQueueNow() {
  SelectRow(0);
  g.queue.currentScene = pf::ControlState(kQueueList) >= 0 ? pf::ControlState(kQueueList) : 0;
  RefreshOutputListing();
  g.queue.detailsReenable = g.queue.queueChanged = 0;
  LaunchRenderJob();
  g.queue.detailsReenable = g.queue.queueChanged = 0;
}

void StopQueue() {
  pf::SetControlState(kQueueList, 0);
  if (g.rendererProcess > 0) {
    pf::TerminateProgram(g.rendererProcess, 0);
    WatchJobEnded(JobResult::kStopped, 0);
    ForgetRenderer();
    g.rendering = 0;
    g.rendererExitCode = -1;
  }
  g.queue.queueChanged = 1;
  CheckRenderCompletion();
  RefreshQueueState();
}

void ViewSceneInLightWave() {
  int row = pf::ControlState(kQueueList);
  if (!ValidRow(row)) return;
  const std::string& scene = g.queue.scenePaths[row];
  pf::ProcessHandle lightwave = pf::StartProgram(LayoutProgramPath(), QuoteArgument(scene), DirectoryPart(scene), 0);
  if (lightwave) pf::ReleaseProcess(lightwave);
}
