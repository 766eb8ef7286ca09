#include "core/main_loop.h"

#include "core/program_state.h"
#include "core/startup.h"
#include "ui/main_window.h"
#include "ui/settings_window.h"
#include "ui/tray_about.h"

namespace {

constexpr int kRenderTimer = 1;
constexpr int kTrayLeftClick = 0;
constexpr int kTrayRightClick = 1;

void SupervisionTick() {
  // Filled in with render supervision.
}

void DispatchControl(const pf::Event& event) {
  switch (event.control) {
    case kAboutButton: ShowAbout(); break;
    case kSettingsButton: OpenSettingsWindow(); break;
    default: break;   // frames, labels, read-only fields and views: ignored
  }
}

}  // namespace

void HandleMainEvent(const pf::Event& event) {
  if (event.code == pf::kEventTimer && event.timer == kRenderTimer && g.rendering) SupervisionTick();
  if (event.code == pf::kEventClose) {
    QuitProgram();
    return;
  }
  // A minimised window leaves the taskbar; the tray icon brings it back.
  if (pf::IsWindowMinimised(kMainWindow)) pf::SetWindowVisible(kMainWindow, false);
  if (event.code == pf::kEventTray && event.type == kTrayLeftClick) BringMainWindowToFront();
  if (event.code == pf::kEventTray && g.queue.count >= 1) {
    BuildQueueStatusMenu();
    if (event.type == kTrayRightClick) pf::ShowPopupMenu(kQueueStatusMenu, kMainWindow);
  }
  if (event.code == pf::kEventGadget) DispatchControl(event);
}

void MainLoop() {
  for (;;) {
    pf::Event event = pf::WaitWindowEvent();
    if (event.code == pf::kEventNone) return;
    HandleMainEvent(event);
  }
}
