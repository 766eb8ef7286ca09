// The notification-area icon, the queue status menu and the About box.
#pragma once

constexpr int kTrayIcon = 0;
constexpr int kIdleImage = 93;
constexpr int kBusyImage = 94;
constexpr int kQueueStatusMenu = 91;

void CreateTrayIcon();
void BlinkTrayIcon();
void RestoreIdleTrayIcon();
void RemoveProgramTrayIcon();
// Popup menu 91: "Render Progress:", a separator, one line per queued scene;
// then, while the tray offers them, a separator and the menu commands.
void BuildQueueStatusMenu();
// Popup menu 91 with the menu commands alone, for a queue without scenes.
void BuildCommandMenu();
void ShowAbout();
