// The notification-area icon, the queue status menu and the About box.
#pragma once

#include "ui/tray_ids.h"

void CreateTrayIcon();
void BlinkTrayIcon();
void RestoreIdleTrayIcon();
void RemoveProgramTrayIcon();
// Popup menu 91: "Render Progress:", a separator, one line per queued scene;
// then a separator and the menu commands.
void BuildQueueStatusMenu();
// Popup menu 91 with the menu commands alone, for a queue without scenes.
void BuildCommandMenu();
void ShowAbout();
