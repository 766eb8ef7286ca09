// How far a farm job has got, read back from its job folder on the share:
// job.txt names the scenes and their tasks, each task's status file says
// what became of it, and the scene's output folder holds the frames.
#pragma once

#include <string>

#include "core/program_state.h"

// The status as lines of text (CR LF): per scene its file name, its tasks
// finished, running, failed and waiting (and unknown, when a status file
// cannot be read), its frames found of expected, and each failed task's
// exit code and node. Frames are counted only for a scene the queue holds
// (its path, any case); otherwise they show as "?". Without job.txt, or
// with one that is no job: "No farm job in <folder>". Reading never fails.
std::string FarmStatusText(const std::string& folder, const QueueState& queue);
