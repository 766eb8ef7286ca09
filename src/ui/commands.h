// Menu commands offered beside the windows' controls: on the main window's
// system menu (Alt+Space) and on the tray icon's menu. Windows keeps the low
// 4 bits of a system menu command for itself and uses 0xF000 and above for
// its own commands, so each number is a multiple of 16 below 0xF000; the
// queue status lines of the tray menu are 1 and upwards.
#pragma once

constexpr int kOvernightCommand = 0x2010;   // "Overnight Settings..."
constexpr int kFarmCommand = 0x2020;       // "Send Queue to Farm..."

// Below a separator on the main window's system menu; once, right after the
// window is created.
void AddSystemMenuCommands();
// Appends the commands to a popup menu being built; with separator, below
// one.
void AddTrayCommands(int menu, bool separator);
