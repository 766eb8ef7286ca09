// The one way a run ends. Whatever ends it (the queue went through, a scene
// failed and the run stops, the user stopped it, nothing was left to
// render), this sets, in this order, the status, the render cursor, the
// buttons and the queue display, the history, the system's awake request,
// the balloon and the countdown to what the queue's end asks, and removes
// the run-under-way file. Nothing else ends a run.
#pragma once

#include <string>

#include "render/run_watch.h"

// status: the status text, or "" to leave it. box: a message for a box
// shown last, after the system is let go; while the run is unattended it is
// told instead of shown.
void EndRun(RunOutcome outcome, const std::string& status, const std::string& box = "");
