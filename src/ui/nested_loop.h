// The event loop of a window that stays in front until it closes (settings,
// scene settings, output filename, overnight settings, the countdown).
#pragma once

namespace pf {
struct Event;
}

// Handles only control events; timer ticks, tray clicks, menu choices and
// close requests are taken and dropped, so render supervision pauses while
// the window is open and nothing reaches the main loop afterwards. Ends when
// handleControl returns false or the platform shuts down.
void RunNestedLoop(bool (*handleControl)(int control));

// For a window that counts on a timer of its own and may be closed: every
// event of that window (its controls, its timer ticks, its close request)
// goes to handleEvent; the events of other windows are taken and dropped.
// Ends when handleEvent returns false or the platform shuts down.
void RunWindowEventLoop(int window, bool (*handleEvent)(const pf::Event& event));
