// Follows every render job and run beside the queue itself: keeps the
// system awake while the renderer works, writes the render history, tells
// through the tray when a run ends while the window is hidden, and keeps
// the time estimate. The queue's own behaviour does not depend on any of it.
#pragma once

#include <string>

#include "render/job_history.h"

// The renderer was started on row from firstFrame.
void WatchJobStarted(int row, long long firstFrame);
// The renderer could not be started on row (no output path, or the start
// failed): recorded, and the system is let go before any message box.
void WatchJobNotStarted(int row, long long firstFrame);
// The running job ended; called before the program shows its end. A job
// already ended (Stop, then the completion check) is not ended twice. With
// runGoesOn a failed job does not end the run: the scene is tried again, or
// the queue goes on without it.
void WatchJobEnded(JobResult result, int exitCode, bool runGoesOn = false);
// Every scene of the run is done.
void WatchQueueFinished();
// Each render tick while a job runs, with the frames found for it now.
void WatchJobProgress();
// Between events: the system must stay awake exactly while something
// renders, and a run is over once nothing does (between two jobs of a run
// the next one has started before the event ends). The balloons an event
// raised are shown now, after the window shows how the run ended.
void SyncWithRendering();

// "45 s", "12 min", "1 h 12 min".
std::string DurationText(std::int64_t milliseconds);
