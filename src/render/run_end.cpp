#include "render/run_end.h"

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "core/unattended.h"
#include "platform/platform.h"
#include "render/output_tools.h"
#include "render/renderer_process.h"
#include "render/run_marker.h"
#include "ui/main_window.h"
#include "ui/tray_about.h"

namespace {

constexpr int kRenderTimer = 1;

void SelectRow(int row) { pf::SetControlState(kQueueList, row); }

void RestartRenderTimer() {
  pf::StopTimer(kMainWindow, kRenderTimer);
  pf::Pause(10);
  pf::StartTimer(kMainWindow, kRenderTimer, 3000);
}

// The display describes an idle program: frames text, percentage, the start
// button's caption, the editing controls, the queue from its first row, the
// tray picture, the window in front.
void ShowIdleProgram(RunOutcome outcome) {
  // Failed and stopped runs have the details enabled again; a queue that
  // went through leaves them as Start set them.
  const int reenable = outcome == RunOutcome::kFinished ? 0 : 1;
  g.queue.detailsReenable = g.queue.queueChanged = reenable;
  RefreshQueueState();
  RebuildQueueDisplay();
  SelectRow(0);
  RefreshOutputListing();
  RefreshQueueState();
  pf::SetControlEnabled(kAddSceneButton, true);
  RestoreIdleTrayIcon();
  BringMainWindowToFront();
}

}  // namespace

void EndRun(RunOutcome outcome, const std::string& status, const std::string& box) {
  const bool rendered = g.run.jobsStarted > 0;
  if (!status.empty()) pf::SetControlText(kStatusText, status);
  // The cursor goes back to the first row; scenes done stay done, so Start
  // continues.
  if (outcome == RunOutcome::kNothingLeft) RestartRenderTimer();
  SelectRow(0);
  g.queue.renderCursor = g.queue.currentScene = g.rendererExitCode = 0;
  ForgetRenderer();
  g.rendering = 0;
  // A run that never started a renderer leaves the window as it was.
  if (rendered && outcome != RunOutcome::kNothingLeft) ShowIdleProgram(outcome);
  // History, the system, the balloon and the countdown.
  WatchRunEnded(outcome);
  ClearRunUnderWay();
  if (!box.empty()) ShowNotice("Error!", box, pf::kBoxError);
}
