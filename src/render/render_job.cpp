#include "render/render_job.h"

#include <cstdint>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "core/text.h"
#include "platform/platform.h"
#include "render/build_detection.h"
#include "render/failed_scenes.h"
#include "render/frame_check.h"
#include "render/output_tools.h"
#include "render/overnight_run.h"
#include "render/progress.h"
#include "render/renderer_process.h"
#include "render/run_end.h"
#include "render/run_watch.h"
#include "ui/main_window.h"
#include "ui/tray_ids.h"

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

// A missing output folder is made (one level). Described, a folder that
// could not be made shows up as a renderer that writes no frames; a night
// told to go on passes the scene over instead (false), so that a share
// gone offline does not "finish" every scene in seconds.
bool PrepareOutput(const SceneEntry& entry) {
  const std::string& directory = entry[kFieldOutputDir];
  if (!directory.empty() && pf::QueryFileSize(directory) != -2) pf::MakeDirectory(directory);
  if (g.logCapableBuild) pf::DeletePath(RendererLogPath());
  return !GoesOnAfterFailure() || directory.empty() || pf::QueryFileSize(directory) == -2;
}

void ShowRenderingState(int row) {
  for (int control : {kAddSceneButton, kEditSceneButton, kClearScenesButton, kMoveUpButton, kMoveDownButton,
                      kOutputDirButton, kOutputFilenameButton, kLoadProjectButton, kSaveProjectButton,
                      kSettingsButton, kFirstFrameButton, kLastFrameButton, kFrameStepButton})
    pf::SetControlEnabled(control, false);
  std::string status = "Rendering: " + FilePart(g.queue.scenePaths[row]);
  // Said once, as the job starts: a timeout that cannot see frames would
  // end every scene.
  if (FrameTimeoutUnarmed()) status += " (no frame timeout: its frames cannot be counted)";
  pf::SetControlText(kStatusText, status);
  pf::SetControlText(kStartQueueButton, "Stop Queue!");
  pf::Pause(10);
  // Without a tray icon a hidden window could not be brought back.
  if (pf::TrayIconShown(kTrayIcon)) pf::SetWindowVisible(kMainWindow, false);
}

// A frame cut off when the renderer was stopped or crashed would be counted
// as rendered: it is moved aside, and the scene continues from it. A scene
// is judged once, and again only after a renderer of ours worked on it, so
// that no Start or retry looks at a frame twice. True when one was moved.
bool SetAsideCutOffFrame(int row) {
  const std::string& path = g.queue.scenePaths[row];
  if (!g.settings.overnight.checkLastFrame || !g.framesJudged.insert(path).second) return false;
  // This program's own renderer wrote the scene's last frame moments ago and
  // has ended: the frame is not another program's work in progress.
  const bool ownWriterEnded = path == g.lastEndedScene;
  const std::string moved = MoveAsideCutOffLastFrame(g.queue.fields[row], ownWriterEnded);
  if (!moved.empty()) NoteCutOffFrame(row, moved);
  return !moved.empty();
}

// A row whose frames are all there is done, whatever its state says: every
// row but the first of a reloaded project starts with state 0, and a
// renderer must never be given a first frame past the last. A row whose
// cut-off last frame was moved aside is not done, whatever it looked like.
bool RowDone(int row) {
  if (!ValidRow(row)) return false;
  if (SetAsideCutOffFrame(row)) g.queue.renderStates[row] = 0;
  const SceneEntry& entry = g.queue.fields[row];
  const bool done = RenderState(row) == 2 || SceneComplete(entry, CountFrameFiles(entry));
  if (done) g.queue.renderStates[row] = 2;
  return done;
}

// Skips the rows that are done, and those a run left behind as failed;
// the row reached is the one launched.
int SkipDoneRows() {
  while (SceneFailed(g.queue.renderCursor) || RowDone(g.queue.renderCursor)) {
    ++g.queue.renderCursor;
    pf::SetControlState(kQueueList, g.queue.renderCursor);
  }
  return g.queue.renderCursor;
}

// A scene that cannot be launched. Nobody may be there at night: with NEXT
// it is left behind as failed, without a box, and the launch goes on with
// the next row (true). Otherwise the run ends here, and the box waits for
// someone after the system is let go.
bool PassOver(int row, long long firstFrame, const std::string& reason, const std::string& message) {
  WatchJobNotStarted(row, firstFrame, reason);
  if (PassOverUnlaunchableScene(row, reason)) {
    ++g.queue.renderCursor;
    return true;
  }
  // A retry that cannot start ends as the failure it follows.
  EndRun(RunOutcome::kFailed, g.run.failureStatus, message);
  return false;
}

// Only a queue told to go on looks for the scene file itself: otherwise the
// renderer reports a missing scene as it always did.
bool SceneFileGone(int row) { return GoesOnAfterFailure() && pf::QueryFileSize(g.queue.scenePaths[row]) < 0; }

// The launch reached the end of the queue: a run that was under way went
// through it; a Start found nothing to render.
void QueueEndReached() {
  g.queue.currentScene = g.rendererExitCode = g.queue.renderCursor = 0;
  if (!g.run.active) {
    EndRun(RunOutcome::kNothingLeft, "");
    return;
  }
  WatchQueueFinished();
  EndRun(RunOutcome::kFinished, QueueFinishedStatus());
}

// One launch attempt at the render cursor: true when it is settled (started,
// the queue done, or the run ended); false to go on with the next row.
bool LaunchRow() {
  const int row = SkipDoneRows();
  SelectRow(row);
  if (row >= g.queue.count || !ValidRow(row)) {
    QueueEndReached();
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
  const std::int64_t firstFrame = FirstFrameToRender(entry);
  if (!PrepareOutput(entry)) return !PassOver(row, firstFrame, "output folder could not be made", "");
  const int flags = pf::ControlState(kConsoleViewCheck) == 1 ? 0 : pf::kRunHidden;
  g.rendererProcess = pf::StartProgram(g.settings.rendererPath, RendererParameters(row, firstFrame),
                                       DirectoryPart(g.settings.rendererPath), flags);
  if (g.rendererProcess == 0) {
    return !PassOver(row, firstFrame, "the renderer did not start",
                     "Could not start the renderer:\n" + g.settings.rendererPath);
  }
  ApplyRendererPriority();
  pf::SetProcessPriority(g.rendererProcess, g.rendererPriority);
  g.rendering = 1;
  g.rendererExitCode = pf::kStillActive;
  // What this renderer leaves is judged at the scene's next launch.
  g.framesJudged.erase(g.queue.scenePaths[row]);
  WatchJobStarted(row, firstFrame);
  ShowRenderingState(row);
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

void StartQueue() {
  // Start tries every scene a run left behind again.
  ClearSceneFailures();
  g.run.failureStatus.clear();
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

void ViewSceneInLightWave() {
  int row = pf::ControlState(kQueueList);
  if (!ValidRow(row)) return;
  const std::string& scene = g.queue.scenePaths[row];
  pf::ProcessHandle lightwave = pf::StartProgram(LayoutProgramPath(), QuoteArgument(scene), DirectoryPart(scene), 0);
  if (lightwave) pf::ReleaseProcess(lightwave);
}
