#include "render/supervision.h"

#include <string>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "platform/platform.h"
#include "render/failed_scenes.h"
#include "render/idle_trigger.h"
#include "render/output_tools.h"
#include "render/overnight_run.h"
#include "render/progress.h"
#include "render/render_job.h"
#include "render/renderer_process.h"
#include "render/run_end.h"
#include "render/run_watch.h"
#include "ui/main_window.h"
#include "ui/tray_about.h"

namespace {

void SelectRow(int row) { pf::SetControlState(kQueueList, row); }

const SceneEntry* RenderingEntry() {
  const int row = g.queue.renderCursor;
  return row >= 0 && row < static_cast<int>(g.queue.fields.size()) ? &g.queue.fields[row] : nullptr;
}

bool FramesAllThere() {
  const SceneEntry* entry = RenderingEntry();
  return entry && SceneComplete(*entry, CountFrameFiles(*entry));
}

// A night told to go on does not take a renderer that wrote nothing for a
// finished scene: with the output share gone, every scene would "finish" in
// seconds. Only when frames were expected and can be counted.
bool WroteNoFrames() {
  const SceneEntry* entry = RenderingEntry();
  if (!GoesOnAfterFailure() || !entry || !g.job.active || !g.job.framesCountable) return false;
  if (g.job.first > g.job.last) return false;
  return CountFrameFiles(*entry) <= g.job.framesAtStart;
}

// The scene's row counts as rendered; row 0 becomes the current scene, its
// progress from its own frames, never from the count of the scene that
// just finished.
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

// After a finished scene: the next one, or the end of the queue, which the
// launch reaches and ends the run at.
void LaunchNextScene() {
  ++g.queue.renderCursor;
  RecountQueue();
  SelectRow(g.queue.renderCursor);
  g.queue.currentScene = g.queue.renderCursor < g.queue.count ? g.queue.renderCursor : 0;
  LaunchRenderJob();
  // As Start does: the check boxes keep their state for the whole run.
  g.queue.detailsReenable = g.queue.queueChanged = 0;
}

void SceneRendered(int exitCode, const std::string& note = "") {
  WatchJobEnded(JobResult::kFinished, exitCode, note);
  FinishScene();
  LaunchNextScene();
}

// Carries out what the failure settlement decides for the scene that
// rendered: reason as the finish balloon names it, status as the run's end
// shows it.
void SceneFailedWith(const std::string& reason, int exitCode, const std::string& status) {
  const std::string note = reason == "no frames written" ? reason : "";
  switch (SettleSceneFailure(FramesAllThere())) {
    case FailureStep::kFinished:
      SceneRendered(exitCode);
      return;
    case FailureStep::kRetry:
      WatchJobEnded(JobResult::kFailed, exitCode, note);
      ForgetRenderer();
      g.rendering = 0;
      g.run.failureStatus = status;
      LaunchRenderJob();
      break;
    case FailureStep::kPassOver:
      WatchJobEnded(JobResult::kFailed, exitCode, note);
      ForgetRenderer();
      g.rendering = 0;
      MarkSceneFailed(g.queue.renderCursor, reason);
      ++g.queue.renderCursor;
      LaunchRenderJob();
      break;
    case FailureStep::kEndRun:
      WatchJobEnded(JobResult::kFailed, exitCode, note);
      EndRun(RunOutcome::kFailed, status);
      return;
  }
  g.queue.detailsReenable = g.queue.queueChanged = 0;
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

void EndHungRenderer() {
  const std::string status = HungStatus();
  EndRenderer(1);
  SceneFailedWith("hung", -1, status);
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
    if (rendererEnded) {
      SceneFailedWith("crashed, exit code " + std::to_string(code), code, "LWSN was terminated!");
      return;
    }
    WatchJobEnded(JobResult::kFailed, code);
    EndRun(RunOutcome::kFailed, "LWSN was terminated!");
    return;
  }
  if (code > 0 && (code != pf::kStillActive || endedWith259)) {
    SceneFailedWith("exit code " + std::to_string(code), code, "LWSN failed! (exit code " + std::to_string(code) + ")");
    return;
  }
  if (code != 0 || g.rendererProcess <= 0) return;   // still running
  if (WroteNoFrames()) {
    SceneFailedWith("no frames written", 0, "LWSN failed! (no frames written)");
    return;
  }
  SceneRendered(0);
}

void StopQueue() {
  pf::SetControlState(kQueueList, 0);
  if (g.rendererProcess > 0) {
    EndRenderer(0);
    WatchJobEnded(JobResult::kStopped, 0);
  }
  g.queue.queueChanged = 1;
  EndRun(RunOutcome::kStoppedByUser, "LWSN was terminated!");
  RefreshQueueState();
}
