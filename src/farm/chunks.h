// Cutting the frames a scene is missing into the tasks of a farm job. Farm
// tasks end out of order, so a failed task in the middle leaves a hole that
// a count of frame files cannot see: the plan starts from the frame numbers
// present and cuts tasks from the runs of frames missing, each task a
// contiguous range on the scene's step of at most `Frames per task` frames.
#pragma once

#include <cstdint>
#include <vector>

struct TaskRange {
  std::int64_t first = 0, last = 0, step = 1;   // as the renderer is given them
  bool operator==(const TaskRange&) const = default;
};

// A run of missing frames: first and last are frames of the scene.
struct FrameRun {
  std::int64_t first = 0, last = 0;
  bool operator==(const FrameRun&) const = default;
};

struct ChunkPlan {
  std::int64_t step = 1, framesPerTask = 1;
  std::vector<FrameRun> runs;   // in frame order
  std::int64_t Frames(const FrameRun& run) const { return (run.last - run.first) / step + 1; }
  std::int64_t Tasks(const FrameRun& run) const { return (Frames(run) + framesPerTask - 1) / framesPerTask; }
  std::int64_t Tasks() const;
  std::int64_t Frames() const;
  // Task n (from 1) of the plan; the job script computes the same from its
  // task number and the runs, so the two must agree.
  TaskRange Task(std::int64_t n) const;
};

// The plan for a scene from first to last on step (below 1 counts as 1),
// given the frame numbers present in any order (numbers that are no frame
// of the scene count as nothing), framesPerTask below 1 counting as 1.
ChunkPlan PlanMissingFrames(std::int64_t first, std::int64_t last, std::int64_t step,
                            std::vector<std::int64_t> present, std::int64_t framesPerTask);

// Every task of the plan, in order.
std::vector<TaskRange> PlanTasks(const ChunkPlan& plan);
