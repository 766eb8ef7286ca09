#include "core/startup.h"

#include "core/main_loop.h"
#include "core/program_state.h"
#include "platform/platform.h"
#include "ui/main_window.h"
#include "ui/tray_about.h"

namespace {

void LoadFonts() {
  pf::LoadFont(pf::kFontBold, "Tahoma", 8, pf::kFontBoldStyle);
  pf::LoadFont(pf::kFontRegular, "Tahoma", 8, pf::kFontPlain);
  pf::LoadFont(pf::kFontHeading, "Tahoma", 8, pf::kFontBoldStyle | pf::kFontUnderline);
  pf::LoadFont(pf::kFontFixed, "courier new", 8, pf::kFontPlain);
}

// Settings file, first-run settings window (steps 9 to 11).
void LoadOrCreateSettings() {
  // Filled in with the settings file.
}

// Reloaded project announced, or the queue continued (steps 14 to 16).
void ResumeReloadedProject() {
  // Filled in with the project file and the renderer launch.
  g.projectLoadFailed = 0;
}

}  // namespace

void StartUp() {
  ResetProgramState();
  pf::InitPlatform();
  pf::SetOwnPriority(pf::kPriorityNormal);
  LoadFonts();
  CreateMainWindow(g.programTitle);
  DisableStartupControls();
  LoadOrCreateSettings();
  pf::PlaceWindow(kMainWindow, g.settings.windowX, g.settings.windowY);
  pf::SetWindowVisible(kMainWindow, true);
  CreateTrayIcon();
  ResumeReloadedProject();
  MainLoop();
}

void QuitProgram() {
  if (pf::ShowMessage("Question", "Do you really want to quit?", pf::kBoxQuestion) != pf::kAnswerYes) return;
  if (g.rendering) pf::TerminateProgram(g.rendererProcess, 0);
  RemoveProgramTrayIcon();
  EndProgram();
}

void EndProgram() {
  pf::ShutdownPlatform();
  pf::ExitProcessWith(0);
}
