#include "render/supervision.h"

#include <string>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "platform/platform.h"
#include "render/idle_trigger.h"
#include "render/output_tools.h"
#include "render/overnight_run.h"
#include "render/progress.h"
#include "render/render_job.h"
#include "render/run_watch.h"
#include "ui/main_window.h"
#include "ui/tray_about.h"

namespace {

void SelectRow(int row) { pf::SetControlState(kQueueList, row); }

// The display describes an idle program once a run is over: frames text,
// percentage, the start button's caption, the editing controls and the
// tray picture.
void ShowIdleProgram() {
  RefreshOutputListing();
  RefreshQueueState();
  pf::SetControlEnabled(kAddSceneButton, true);
  RestoreIdleTrayIcon();
}

// Stopped, killed, crashed or failed: the run ends and the queue goes back
// to its first row; scenes done stay done, so Start continues.
void EndRun(const std::string& status) {
  pf::SetControlText(kStatusText, status);
  SelectRow(0);
  g.queue.renderCursor = g.queue.currentScene = g.rendererExitCode = 0;
  ForgetRenderer();
  g.rendering = 0;
  g.queue.detailsReenable = g.queue.queueChanged = 1;
  RefreshQueueState();
  RebuildQueueDisplay();
  SelectRow(0);
  ShowIdleProgram();
  BringMainWindowToFront();
}

// Row 0 becomes the current scene; its progress comes from its own frames,
// never from the count of the scene that just finished.
void FinishScene() {
  g.queue.detailsReenable = 0;
  pf::SetControlText(kStatusText, "LWSN was finished...");
  g.queue.currentScene = 0;
  SelectRow(0);
  RefreshQueueState();
  RebuildQueueDisplay();
  SelectRow(0);
  RefreshOutputListing();
  if (g.queue.renderCursor < static_cast<int>(g.queue.renderStates.size()))
    g.queue.renderStates[g.queue.renderCursor] = 2;
  ForgetRenderer();
  g.rendering = 0;
  RestoreIdleTrayIcon();
  BringMainWindowToFront();
}

// After a finished scene: the next one, or the end of the queue.
void LaunchNextScene() {
  ++g.queue.renderCursor;
  RecountQueue();
  if (g.queue.renderCursor >= g.queue.count) {
    WatchQueueFinished();
    pf::SetControlText(kStatusText, QueueFinishedStatus());
    SelectRow(0);
    g.queue.currentScene = g.rendererExitCode = g.queue.renderCursor = 0;
    ShowIdleProgram();
    return;
  }
  SelectRow(g.queue.renderCursor);
  g.queue.currentScene = g.queue.renderCursor;
  LaunchRenderJob();
  // As Start does: the check boxes keep their state for the whole run.
  g.queue.detailsReenable = g.queue.queueChanged = 0;
  if (!g.rendering) ShowIdleProgram();
}

}  // namespace

void SupervisionTick() {
  g.rendererExitCode = pf::ProcessExitCode(g.rendererProcess);
  RefreshOutputListing();
  WatchJobProgress();
  if (g.rendererExitCode == pf::kStillActive && !pf::ProcessEnded(g.rendererProcess) && FrameTimeoutReached())
    EndHungRenderer();
  else
    CheckRenderCompletion();
  // A run that ended in this tick leaves the idle picture in place.
  if (g.rendering) BlinkTrayIcon();
  // An icon lost with the taskbar cannot bring the window back: show it.
  if (!pf::TrayIconShown(kTrayIcon) && !pf::IsWindowVisible(kMainWindow)) pf::SetWindowVisible(kMainWindow, true);
  IdleTick();
}

namespace {

// The scene is tried again or passed over; when nothing renders after that
// (the queue went through, or a launch ended the run) the display is idle.
bool GoOnAfterFailure(const std::string& reason, int exitCode) {
  if (!SettleSceneFailure(reason, exitCode)) return false;
  if (g.rendering) return true;
  SelectRow(0);
  g.queue.currentScene = g.rendererExitCode = g.queue.renderCursor = 0;
  RebuildQueueDisplay();
  SelectRow(0);
  ShowIdleProgram();
  BringMainWindowToFront();
  return true;
}

}  // namespace

void EndHungRenderer() {
  const std::string status = HungStatus();
  pf::TerminateProgram(g.rendererProcess, 1);
  if (GoOnAfterFailure("hung", -1)) return;
  WatchJobEnded(JobResult::kFailed, -1);
  EndRun(status);
}

void CheckRenderCompletion() {
  const int code = g.rendererExitCode;
  // A renderer may really end with 259, the code of one still running.
  const bool endedWith259 =
      code == pf::kStillActive && g.rendererProcess > 0 && pf::ProcessEnded(g.rendererProcess);
  // The renderer's own end may be tried again or passed over; Stop's (the
  // process already let go) never is.
  const bool rendererEnded = g.rendererProcess > 0;
  if (code < 0) {
    if (rendererEnded && GoOnAfterFailure("crashed, exit code " + std::to_string(code), code)) return;
    WatchJobEnded(JobResult::kFailed, code);
    EndRun("LWSN was terminated!");
    return;
  }
  if (code > 0 && (code != pf::kStillActive || endedWith259)) {
    if (rendererEnded && GoOnAfterFailure("exit code " + std::to_string(code), code)) return;
    WatchJobEnded(JobResult::kFailed, code);
    EndRun("LWSN failed! (exit code " + std::to_string(code) + ")");
    return;
  }
  if (code != 0 || g.rendererProcess <= 0) return;   // still running
  WatchJobEnded(JobResult::kFinished, 0);
  FinishScene();
  const int cursor = g.queue.renderCursor;
  if (cursor < static_cast<int>(g.queue.renderStates.size()) && g.queue.renderStates[cursor] == 2) LaunchNextScene();
}
