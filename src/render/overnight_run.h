// What an unattended queue does when something goes wrong, as the
// [Overnight] group asks: a failed scene is started again, then left behind
// as failed while the queue goes on; a renderer that writes no new frame
// for too long is ended; Start may wait for a time of day. With every
// setting at its default none of it changes what the queue does.
#pragma once

#include <string>

// The scene that rendered failed (its renderer ended with an error, crashed
// or hung); reason as the finish balloon names it ("exit code 3", "hung").
// True when it was settled here: the scene starts again (a try is left), or
// it is marked failed and the queue goes on (NEXT). False: the run ends as
// it always did.
bool SettleSceneFailure(const std::string& reason, int exitCode);

// NEXT: a scene that cannot be launched is marked failed without a message
// box and the launch goes on with the next row; false with STOP.
bool PassOverUnlaunchableScene(int row, const std::string& reason);

// The row was left behind as failed; Start clears every mark.
bool SceneFailed(int row);
void ClearSceneFailures();

// The status once a run went through the whole queue: "Finished: N of M
// scenes failed", or "LWSN was finished..." when none did.
std::string QueueFinishedStatus();
// "a.lws (exit code 3), b.lws (hung)" for the finish balloon; empty when
// none failed.
std::string FailedScenesText();

// The running renderer wrote no new frame file for the frame timeout.
bool FrameTimeoutReached();
std::string HungStatus();

// Start: true when the start waits for the "Start at" time ("Waiting until
// 22:00", the button reads "Stop Queue!").
bool BeginWaitForStartTime();
bool WaitingForStartTime();
// The button while waiting: the wait ends, the idle display comes back.
void CancelWaitForStartTime();
// Each tick while waiting: the queue starts once the local clock passes the
// time (a clock set back waits for the next time it comes).
void WaitForStartTimeTick();
