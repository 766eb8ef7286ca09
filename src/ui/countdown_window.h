// The countdown before the computer sleeps, hibernates or shuts down at the
// end of a queue (window 240): a minute in which the user may still say no.
#pragma once

enum CountdownControl {
  kCountdownWindow = 240,
  kCountdownLabel = 241,
  kCountdownCancelButton = 242,
};
// Ticks once a second on window 240.
constexpr int kCountdownTimer = 2;

// For the end of a run that went through the whole queue. Nothing when the
// queue is to be left as it is (whenQueueDone NOTHING); otherwise counts a
// minute down in a window of its own. Cancel or closing the window ends it
// with nothing else done; at zero the settings are saved, as quitting saves
// them, and the system is asked to sleep, hibernate or shut down.
void OfferQueueDoneAction();
