#include "farm/chunks.h"

#include <algorithm>

ChunkPlan PlanChunks(std::int64_t first, std::int64_t last, std::int64_t step, std::int64_t framesPresent,
                     std::int64_t framesPerTask) {
  ChunkPlan plan;
  plan.step = std::max<std::int64_t>(1, step);
  plan.framesPerTask = std::max<std::int64_t>(1, framesPerTask);
  plan.last = last;
  if (last < first) return plan;
  const std::int64_t expected = (last - first) / plan.step + 1;
  const std::int64_t present = std::max<std::int64_t>(0, framesPresent);
  if (present >= expected) return plan;
  plan.start = first + present * plan.step;
  const std::int64_t left = expected - present;
  plan.tasks = (left + plan.framesPerTask - 1) / plan.framesPerTask;
  return plan;
}

std::vector<TaskRange> ChunkFrames(std::int64_t first, std::int64_t last, std::int64_t step,
                                   std::int64_t framesPresent, std::int64_t framesPerTask) {
  const ChunkPlan plan = PlanChunks(first, last, step, framesPresent, framesPerTask);
  std::vector<TaskRange> tasks;
  for (std::int64_t i = 0; i < plan.tasks; ++i) {
    const std::int64_t from = plan.start + i * plan.framesPerTask * plan.step;
    const std::int64_t to = i + 1 == plan.tasks ? plan.last : from + (plan.framesPerTask - 1) * plan.step;
    tasks.push_back({from, to, plan.step});
  }
  return tasks;
}
