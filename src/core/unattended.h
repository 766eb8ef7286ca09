// "When a scene fails = NEXT" declares a run unattended: from Start (or the
// wait for the "Start at" time, or a queue continued at start-up) until the
// run ends, no message box waits for a click on any path. What a box would
// have said goes into the status text, the history and the finish balloon.
#pragma once

#include <string>

bool Unattended();
// Start-up is loading the last project to continue its queue.
void SetContinuingAtStartUp(bool continuing);

// A box with only an OK button; while unattended its text is told instead.
void ShowNotice(const std::string& title, const std::string& text, int style);

// What was told instead of boxes since the last call, for the finish
// balloon; "" when nothing was.
std::string TakeUntoldNotices();
