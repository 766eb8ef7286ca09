// Follows every render job and run beside the queue itself: keeps the
// system awake while the renderer works, writes the render history, tells
// through the tray when a run ends while the window is hidden, and keeps
// the time estimate. The queue's own behaviour does not depend on any of it.
#pragma once

#include <string>

#include "render/job_history.h"

// How a run ended.
enum class RunOutcome {
  kFinished,        // it went through the queue (scenes passed over included)
  kFailed,          // a scene failed or could not start, and the run stops there
  kStoppedByUser,   // Stop, or quitting
  kNothingLeft,     // Start found nothing to render
};

// The renderer was started on row from firstFrame.
void WatchJobStarted(int row, long long firstFrame);
// The renderer could not be started on row (no output path, the scene or
// its output folder missing, or the start failed): recorded with why.
void WatchJobNotStarted(int row, long long firstFrame, const std::string& reason);
// The running job ended; called before the program shows its end. A job
// already ended (Stop, then the completion check) is not ended twice. note
// follows the result in the history ("no frames written").
void WatchJobEnded(JobResult result, int exitCode, const std::string& note = "");
// A frame of row judged cut off was moved aside to movedTo: the history
// names it.
void NoteCutOffFrame(int row, const std::string& movedTo);
// Every scene of the run is done.
void WatchQueueFinished();
// Each render tick while a job runs, with the frames found for it now.
void WatchJobProgress();
// The run's end, from the one place that ends runs: the record closes, the
// run-under-way file goes, the system is let go (before any box), the
// balloon is raised and the countdown decided.
void WatchRunEnded(RunOutcome outcome);
// Between events: the system must stay awake exactly while something
// renders or Start waits for its time. The balloons an event raised are
// shown now, after the window shows how the run ended.
void SyncWithRendering();

// "45 s", "12 min", "1 h 12 min".
std::string DurationText(std::int64_t milliseconds);
