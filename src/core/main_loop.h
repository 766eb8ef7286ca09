// The main event loop and the dispatch of every main-window event.
#pragma once

#include "platform/platform.h"

// Handles events until the platform shuts down.
void MainLoop();
// One iteration of the loop for one event.
void HandleMainEvent(const pf::Event& event);
