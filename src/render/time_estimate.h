// How long the running scene and the rest of the queue will take, shown as
// the tooltip of the frame count and the percentage while a job renders.
#pragma once

#include <cstdint>
#include <string>

// Seconds per frame of the running job from the moments its frame count
// rose: the time from its start to the last rise over the frames rendered
// since. Negative until two frames are done.
double RunningSecondsPerFrame();

// "about N min left for this scene, M min for the queue" (minutes rounded
// up, never negative), or "estimating…" (its ANSI ellipsis, 0x85) before two frames are done.
std::string TimeLeftText(std::int64_t nowMs);

// Follows the running job's frame count (frames found now) and shows the
// estimate on both texts.
void UpdateTimeEstimate(std::int64_t framesFound);

// Takes the tooltips away when nothing renders.
void ClearTimeEstimate();
