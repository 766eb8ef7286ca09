#include "core/main_loop.h"

#include "core/outside_files.h"
#include "core/program_state.h"
#include "core/scene_edits.h"
#include "core/scene_queue.h"
#include "core/startup.h"
#include "persist/project_file.h"
#include "render/output_tools.h"
#include "render/overnight_run.h"
#include "render/progress.h"
#include "render/render_job.h"
#include "render/renderer_process.h"
#include "render/run_watch.h"
#include "render/supervision.h"
#include "ui/commands.h"
#include "ui/countdown_window.h"
#include "ui/farm_window.h"
#include "ui/main_window.h"
#include "ui/overnight_window.h"
#include "ui/settings_window.h"
#include "ui/tray_about.h"

namespace {

constexpr int kRenderTimer = 1;
constexpr int kTrayLeftClick = 0;
constexpr int kTrayRightClick = 1;

// The main window's inner width says which way the output view goes.
void ToggleOutputView() {
  int width = pf::WindowInnerWidth(kMainWindow);
  if (width == kNarrowWidth) {
    SetMainWindowWide(true);
    RefreshOutputListing();
    ShowProgress();
    RefreshLogView();
  } else if (width == kWideWidth) {
    SetMainWindowWide(false);
    pf::FocusControl(kOutputListingView);
    ShowProgress();
  }
}

void DispatchControl(const pf::Event& event) {
  switch (event.control) {
    case kAddSceneButton:
      AddSceneToQueue();
      RefreshQueueState();
      break;
    case kEditSceneButton: OpenSceneEditor(); break;
    case kClearScenesButton: ClearScenes(); break;
    case kViewSceneButton:
      if (pf::ControlState(kQueueList) >= 0) ViewSceneInLightWave();
      break;
    case kMoveUpButton: MoveSceneUp(); break;
    case kMoveDownButton: MoveSceneDown(); break;
    case kQueueList:
      if (pf::ControlState(kQueueList) >= 0) SelectScene();
      break;
    case kSceneFileOnlyCheck:
    case kParentDirViewCheck: SetDisplayMode(event.control); break;
    case kHighPriorityCheck: ApplyRendererPriority(); break;
    case kStartQueueButton:
      if (WaitingForStartTime()) {
        CancelWaitForStartTime();
        RefreshOutputListing();
        RefreshQueueState();
      } else if (g.rendering) {
        StopQueue();
      } else {
        StartQueue();
      }
      break;
    case kRefreshLogButton:
      if (g.logCapableBuild) RefreshLogView();
      break;
    case kOutputDirButton: ChangeOutputDirectory(); break;
    case kOutputFilenameButton: ChangeOutputFilename(); break;
    case kFirstFrameButton: EditFirstFrame(); break;
    case kLastFrameButton: EditLastFrame(); break;
    case kFrameStepButton: EditFrameStep(); break;
    case kViewOutputDirButton: ToggleOutputView(); break;
    case kLoadProjectButton: LoadProjectWithRequester(); break;
    case kSaveProjectButton: SaveProject(); break;
    case kDeleteFramesButton: DeleteAllFrames(); break;
    case kViewImageButton: ViewLastImage(); break;
    case kAboutButton: ShowAbout(); break;
    case kSettingsButton: OpenSettingsWindow(); break;
    default: break;   // frames, labels, read-only fields and views: ignored
  }
}

// Once a run that went through the whole queue is over (the window shows
// its end, the system is let go), the countdown to what the user chose.
void OfferWhatTheQueueDoneAsks() {
  if (!g.run.offerQueueDone) return;
  g.run.offerQueueDone = false;
  OfferQueueDoneAction();
}

}  // namespace

void HandleMainEvent(const pf::Event& event) {
  if (event.code == pf::kEventTimer && event.timer == kRenderTimer && g.rendering) SupervisionTick();
  if (event.code == pf::kEventTimer && event.timer == kRenderTimer && StartTimeReached()) StartQueueNow();
  if (event.code == pf::kEventClose) {
    QuitProgram();
    return;
  }
  // A minimised window leaves the taskbar; the tray icon brings it back, so
  // without one it stays minimised on the taskbar.
  if (pf::IsWindowMinimised(kMainWindow) && pf::TrayIconShown(kTrayIcon)) pf::SetWindowVisible(kMainWindow, false);
  if (event.code == pf::kEventTray && event.type == kTrayLeftClick) BringMainWindowToFront();
  // Files handed over by a second copy bring this one to the front.
  if (event.code == pf::kEventFiles) BringMainWindowToFront();
  if (event.code == pf::kEventTray && g.queue.count >= 1) {
    BuildQueueStatusMenu();
    if (event.type == kTrayRightClick) pf::ShowPopupMenu(kQueueStatusMenu, kMainWindow);
  } else if (event.code == pf::kEventTray && event.type == kTrayRightClick) {
    BuildCommandMenu();
    pf::ShowPopupMenu(kQueueStatusMenu, kMainWindow);
  }
  if (event.code == pf::kEventGadget) DispatchControl(event);
  // The queue status lines (1 and up) are for reading only.
  if (event.code == pf::kEventMenu && event.item == kOvernightCommand) OpenOvernightWindow();
  if (event.code == pf::kEventMenu && event.item == kFarmCommand) OpenFarmWindow();
}

void MainLoop() {
  SyncWithRendering();
  for (;;) {
    pf::Event event = pf::WaitWindowEvent();
    if (event.code == pf::kEventNone) return;
    HandleMainEvent(event);
    SyncWithRendering();
    // The countdown comes before files that waited for the run's end, so
    // that no box they bring stands in front of it.
    OfferWhatTheQueueDoneAsks();
    TakeOutsideFiles();
    SyncWithRendering();
  }
}
