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
// Popup menu 91: "Render Progress:", a separator, one line per queued scene.
void BuildQueueStatusMenu();
void ShowAbout();
