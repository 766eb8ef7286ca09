// The event loop of a window that stays in front until it closes (settings,
// scene settings, output filename).
#pragma once

// Handles only control events; timer ticks, tray clicks, menu choices and
// close requests are taken and dropped, so render supervision pauses while
// the window is open and nothing reaches the main loop afterwards. Ends when
// handleControl returns false or the platform shuts down.
void RunNestedLoop(bool (*handleControl)(int control));
