// How far a farm job has got, read back from its job folder on the share:
// job.txt names the scenes and their tasks, each task's status file says
// what became of it, and the scene's output folder holds the frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/program_state.h"

struct JobScene {
  int number = 0;
  std::string scenePath;
  int tasks = 0;
  std::int64_t expectedFrames = 0;
  SceneEntry output;   // its frames, output folder, prefix and format, when job.txt names them
};

// job.txt of the folder (with its backslash): false when there is none or
// it is no job. Reading never fails otherwise; a count beyond the groups
// there stops at the last group.
bool ReadJobScenes(const std::string& folder, std::vector<JobScene>& scenes);

// The status as lines of text (CR LF): per scene its file name, its tasks
// finished, running, failed and waiting (and killed, cancelled, unknown
// when there are any), its frames found of expected (the frames present by
// number, as the plan counts them), each failed or killed task's exit code
// (or message) and node, and each running task not heard of for five
// minutes ("no word since HH:MM (node lost?)", by nowIso). Frames are
// counted from job.txt's output folder, else for a scene the queue holds
// (its path, any case), else they show as "?". Without job.txt, or with
// one that is no job: "No farm job in <folder>".
std::string FarmStatusText(const std::string& folder, const QueueState& queue, const std::string& nowIso);

// Tasks of the folder's job that may still run: jobs.txt names submitted
// jobs and their status files say neither finished, failed, killed nor
// cancelled. 0 for a folder never submitted.
std::int64_t TasksNotEnded(const std::string& folder);
