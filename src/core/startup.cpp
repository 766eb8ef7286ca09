#include "core/startup.h"

#include "core/farm_command.h"
#include "core/main_loop.h"
#include "core/outside_files.h"
#include "core/program_state.h"
#include "core/scene_queue.h"
#include "core/unattended.h"
#include "persist/settings_file.h"
#include "platform/platform.h"
#include "render/build_detection.h"
#include "render/output_tools.h"
#include "render/overnight_run.h"
#include "render/render_job.h"
#include "render/renderer_process.h"
#include "render/run_end.h"
#include "render/run_marker.h"
#include "render/run_watch.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/settings_window.h"
#include "ui/tray_about.h"

namespace {

void LoadFonts() {
  pf::LoadFont(pf::kFontBold, "Tahoma", 8, pf::kFontBoldStyle);
  pf::LoadFont(pf::kFontRegular, "Tahoma", 8, pf::kFontPlain);
  pf::LoadFont(pf::kFontHeading, "Tahoma", 8, pf::kFontBoldStyle | pf::kFontUnderline);
  pf::LoadFont(pf::kFontFixed, "courier new", 8, pf::kFontPlain);
}

// A missing settings file is written at once with the defaults and the
// window's creation position; a program without a known renderer must have
// lwsn.exe located first, and a cancelled first run ends without saving.
void LoadOrCreateSettings() {
  if (pf::QueryFileSize(g.settingsFileName) == -1) {
    g.settings.windowX = pf::WindowX(kMainWindow);
    g.settings.windowY = pf::WindowY(kMainWindow);
    SaveSettings();
  } else {
    LoadSettings();
  }
  // A first run writes the file instead of reading it: no later reading may
  // reload a project either.
  g.settings.projectAutoLoaded = 1;
  if (g.settings.rendererPath.empty()) RunFirstRunSettingsWindow();
  if (g.quitRequested) EndProgram();
}

// A project reloaded at start-up is announced, or its queue continued;
// continuing needs at least one queued scene. A run that was under way when
// the program ended (a power cut, an update's restart) continues at once;
// one that never began waits for its time. Unattended, "continues" is a
// balloon rather than a box nobody may be there to click.
void ResumeReloadedProject() {
  const Settings& s = g.settings;
  if (s.loadLastProject && !s.continueRendering && !g.projectLoadFailed)
    pf::ShowMessage("Info", "Tallowbridge Project:\n'" + g.currentProjectPath + "'\n loaded correctly!", pf::kBoxInfo);
  const bool continuing = s.loadLastProject && s.continueRendering && !g.projectLoadFailed && RecountQueue() >= 1;
  if (continuing) {
    const bool wasUnderWay = RunWasUnderWay();
    if (Unattended()) g.pendingNotices.push_back("continues");
    else pf::ShowMessage("Info", "continues", pf::kBoxInfo);
    pf::SetControlState(kQueueList, 0);
    g.queue.currentScene = pf::ControlState(kQueueList);
    RefreshOutputListing();
    g.queue.detailsReenable = g.queue.queueChanged = 0;
    if (wasUnderWay || !BeginWaitForStartTime()) LaunchRenderJob();
    g.queue.detailsReenable = g.queue.queueChanged = 0;
  } else {
    // Left by a run that nothing continues now.
    ClearRunUnderWay();
  }
  SetContinuingAtStartUp(false);
  g.projectLoadFailed = 0;
}

}  // namespace

void StartUp() {
  ResetProgramState();
  pf::InitPlatform();
  // /farm writes a job folder and ends, beside any copy that runs.
  if (const std::string project = FarmCommandProject(); !project.empty()) RunFarmCommand(project);
  HandOverIfFolderTaken();
  pf::SetOwnPriority(pf::kPriorityNormal);
  LoadFonts();
  CreateMainWindow(g.programTitle);
  AddSystemMenuCommands();
  pf::AcceptDroppedFiles(kMainWindow);
  DisableStartupControls();
  LoadOrCreateSettings();
  pf::PlaceWindow(kMainWindow, g.settings.windowX, g.settings.windowY);
  pf::SetWindowVisible(kMainWindow, true);
  CreateTrayIcon();
  // The build decides the renderer's log option, also for a queue that a
  // reloaded project continues at once.
  DetectRendererBuild();
  ResumeReloadedProject();
  g.waitingFiles = pf::CommandLineFiles();
  TakeOutsideFiles();
  MainLoop();
}

void QuitProgram() {
  if (pf::ShowMessage("Question", "Do you really want to quit?", pf::kBoxQuestion) != pf::kAnswerYes) return;
  if (g.rendering) {
    EndRenderer(0);
    WatchJobEnded(JobResult::kStopped, 0);
    EndRun(RunOutcome::kStoppedByUser, "");
  }
  SaveSettings();
  RemoveProgramTrayIcon();
  DeleteRendererLog();
  EndProgram();
}

void EndProgram() {
  // Whatever still renders or waits is left behind: the system may sleep again.
  g.rendering = 0;
  g.waitingUntil.clear();
  SyncWithRendering();
  pf::ShutdownPlatform();
  pf::ExitProcessWith(0);
}
