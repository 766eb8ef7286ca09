// What an unattended queue does when something goes wrong, as the
// [Overnight] group asks: a failed scene is started again, then left behind
// as failed while the queue goes on; a renderer that writes no new frame
// for too long is ended; Start may wait for a time of day. With every
// setting at its default none of it changes what the queue does. These are
// the decisions; the supervision carries them out.
#pragma once

#include <string>

// What follows when the scene that rendered failed (its renderer ended with
// an error, crashed or hung).
enum class FailureStep {
  kFinished,   // its frames are all there: the failure came on the way out
  kRetry,      // started again, after the frames on disk
  kPassOver,   // left behind as failed; the queue goes on (NEXT)
  kEndRun,     // the run ends here, as it always did
};
FailureStep SettleSceneFailure(bool framesAllThere);

// NEXT: the night goes on past what fails, unattended.
bool GoesOnAfterFailure();

// NEXT: a scene that cannot be launched is marked failed without a message
// box and the launch goes on with the next row; false with STOP.
bool PassOverUnlaunchableScene(int row, const std::string& reason);

// The running renderer wrote no new frame file for the frame timeout (for
// twice that before the try's first new frame, which waits for the scene to
// load). Never while the scene's frames cannot be counted.
bool FrameTimeoutReached();
std::string HungStatus();
// The frame timeout is set, but the job's frames cannot be counted, so it
// is not armed.
bool FrameTimeoutUnarmed();

// Start: true when the start waits for the "Start at" time ("Waiting until
// 22:00", or "... tomorrow"; the button reads "Stop Queue!"). The wait ends
// at the local date and time fixed now.
bool BeginWaitForStartTime();
bool WaitingForStartTime();
// The button while waiting: the wait ends ("Awaiting Action..."); the
// caller shows the idle display again.
void CancelWaitForStartTime();
// Each tick while waiting: true once the local clock has reached the time
// (also when it passed while a window was open); the wait is then over and
// the queue is to start.
bool StartTimeReached();

// "YYYY-MM-DDTHH:MM:00" of the first time of day hhmm at or after the local
// time nowIso ("2026-12-07T18:00:05+01:00"), and whether that is tomorrow;
// empty when nowIso cannot be read.
std::string NextLocalTime(const std::string& nowIso, const std::string& hhmm, bool& tomorrow);
