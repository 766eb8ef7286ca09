// The numbers of the notification-area icon, its pictures and its menu,
// for every part of the program that shows something there.
#pragma once

constexpr int kTrayIcon = 0;
constexpr int kIdleImage = 93;
constexpr int kBusyImage = 94;
constexpr int kQueueStatusMenu = 91;
