#include "ui/tray_about.h"

#include "core/program_state.h"
#include "platform/platform.h"
#include "render/failed_scenes.h"
#include "ui/commands.h"
#include "ui/main_window.h"

void CreateTrayIcon() {
  pf::LoadIconImage(kIdleImage);
  pf::LoadIconImage(kBusyImage);
  // A notification area that refuses the icon is no reason to stop; the
  // icon is kept with its tooltip and added when the taskbar comes.
  pf::AddTrayIcon(kTrayIcon, kMainWindow, kIdleImage);
  pf::SetTrayTooltip(kTrayIcon, g.programTitle + " - Right=Queue Status");
  g.trayBusy = 0;
}

void BlinkTrayIcon() {
  g.trayBusy = g.trayBusy ? 0 : 1;
  pf::ChangeTrayIcon(kTrayIcon, g.trayBusy ? kBusyImage : kIdleImage);
}

void RestoreIdleTrayIcon() {
  g.trayBusy = 0;
  pf::ChangeTrayIcon(kTrayIcon, kIdleImage);
}

void RemoveProgramTrayIcon() { pf::RemoveTrayIcon(kTrayIcon); }

void BuildQueueStatusMenu() {
  pf::CreatePopupMenuNumber(kQueueStatusMenu);
  g.queue.count = pf::CountControlItems(kQueueList);
  pf::AddMenuItem(kQueueStatusMenu, 1, "Render Progress:");
  pf::AddMenuSeparator(kQueueStatusMenu);
  for (int i = 0; i < g.queue.count; ++i) {
    std::string path = i < static_cast<int>(g.queue.scenePaths.size()) ? g.queue.scenePaths[i] : std::string();
    std::string percent = i < static_cast<int>(g.queue.fields.size()) ? g.queue.fields[i][kFieldPercentDone] : "";
    pf::AddMenuItem(kQueueStatusMenu, i + 2, path + (SceneFailed(i) ? "  -  (failed)" : "  -  (" + percent + "% done)"));
  }
  AddTrayCommands(kQueueStatusMenu, true);
}

void BuildCommandMenu() {
  pf::CreatePopupMenuNumber(kQueueStatusMenu);
  AddTrayCommands(kQueueStatusMenu, false);
}

void ShowAbout() {
  pf::ShowMessage("Information",
                  g.programTitle + "  " + g.buildText +
                      "\n- Render Queue Manager for Newtek LWSN (Newtek Lightwave 7.0, 7.5 and 8.0)"
                      "\n- Suitable for single machine systems"
                      "\n- Uses idle cpu time to render scenes in background",
                  pf::kBoxInfo);
}
