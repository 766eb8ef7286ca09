#include "farm/chunks.h"

#include <algorithm>

std::int64_t ChunkPlan::Tasks() const {
  std::int64_t n = 0;
  for (const FrameRun& run : runs) n += Tasks(run);
  return n;
}

std::int64_t ChunkPlan::Frames() const {
  std::int64_t n = 0;
  for (const FrameRun& run : runs) n += Frames(run);
  return n;
}

TaskRange ChunkPlan::Task(std::int64_t n) const {
  for (const FrameRun& run : runs) {
    if (n > Tasks(run)) {
      n -= Tasks(run);
      continue;
    }
    const std::int64_t from = run.first + (n - 1) * framesPerTask * step;
    return {from, std::min(run.last, from + (framesPerTask - 1) * step), step};
  }
  return {};
}

ChunkPlan PlanMissingFrames(std::int64_t first, std::int64_t last, std::int64_t step,
                            std::vector<std::int64_t> present, std::int64_t framesPerTask) {
  ChunkPlan plan;
  plan.step = std::max<std::int64_t>(1, step);
  plan.framesPerTask = std::max<std::int64_t>(1, framesPerTask);
  if (last < first) return plan;
  // Frame indexes from 0: frame first + i x step.
  const std::int64_t frames = (last - first) / plan.step + 1;
  std::vector<std::int64_t> have;
  have.reserve(present.size());
  for (std::int64_t number : present)
    if (number >= first && number <= last && (number - first) % plan.step == 0) have.push_back((number - first) / plan.step);
  std::sort(have.begin(), have.end());
  have.erase(std::unique(have.begin(), have.end()), have.end());
  std::int64_t next = 0;   // the first index not yet placed
  auto addRun = [&](std::int64_t from, std::int64_t to) {
    if (from <= to) plan.runs.push_back({first + from * plan.step, first + to * plan.step});
  };
  for (std::int64_t index : have) {
    addRun(next, index - 1);
    next = index + 1;
  }
  addRun(next, frames - 1);
  return plan;
}

std::vector<TaskRange> PlanTasks(const ChunkPlan& plan) {
  std::vector<TaskRange> tasks;
  for (std::int64_t n = 1; n <= plan.Tasks(); ++n) tasks.push_back(plan.Task(n));
  return tasks;
}
