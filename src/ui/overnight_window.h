// The Overnight window (window 200): how an unattended queue meets a failing
// scene, a renderer that hangs and a cut-off last frame, what the computer
// does when the queue is done, and when the queue starts. It shows
// g.settings.overnight; OK takes the values and saves the settings file,
// Cancel changes nothing. It runs its own event loop until it closes; every
// other event meanwhile is dropped.
#pragma once

enum OvernightWindowControl {
  kOvernightWindow = 200,
  kWhenSceneFailsLabel = 201,
  kWhenSceneFailsCombo = 202,
  kRetriesLabel = 203,
  kRetriesCombo = 204,
  kFrameTimeoutLabel = 205,
  kFrameTimeoutField = 206,
  kCheckLastFrameCheck = 207,
  kWhenQueueDoneLabel = 208,
  kWhenQueueDoneCombo = 209,
  kStartAtLabel = 210,
  kStartAtField = 211,
  kOvernightOkButton = 212,
  kOvernightCancelButton = 213,
};

// The "Overnight Settings..." command: the window opens beside the main
// window, on top of every other window, and closes when OK or Cancel ends
// its loop. While a queue renders, the values apply to what follows.
void OpenOvernightWindow();
