// Cutting a scene's frames left into the tasks of a farm job. The frames
// left follow the local queue's rules: after the F frame files already
// there, a scene continues at first + F x step; it has E = (last - first) /
// step + 1 frames, and none are left once F >= E.
#pragma once

#include <cstdint>
#include <vector>

struct TaskRange {
  std::int64_t first = 0, last = 0, step = 1;   // as the renderer is given them
  bool operator==(const TaskRange&) const = default;
};

// The tasks, each of at most framesPerTask frames (below 1 counts as 1); a
// step below 1 counts as 1. Every task's last frame is a frame of the scene's
// own, except the last task's, which is the scene's last frame as the local
// queue passes it ("61 70 3").
std::vector<TaskRange> ChunkFrames(std::int64_t first, std::int64_t last, std::int64_t step,
                                   std::int64_t framesPresent, std::int64_t framesPerTask);

// Where the tasks start and how long each is: task i (from 0) renders from
// start + i x framesPerTask x step. The job script computes the same from
// its array index, so the two must agree.
struct ChunkPlan {
  std::int64_t start = 0, step = 1, framesPerTask = 1, last = 0;
  std::int64_t tasks = 0;
};
ChunkPlan PlanChunks(std::int64_t first, std::int64_t last, std::int64_t step, std::int64_t framesPresent,
                     std::int64_t framesPerTask);
