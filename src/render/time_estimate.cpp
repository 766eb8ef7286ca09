#include "render/time_estimate.h"

#include <algorithm>
#include <cmath>

#include "core/program_state.h"
#include "platform/platform.h"
#include "render/progress.h"
#include "ui/main_window.h"

namespace {

std::int64_t Minutes(double seconds) { return static_cast<std::int64_t>(std::ceil(std::max(0.0, seconds) / 60.0)); }

std::int64_t FramesExpected(int row) {
  if (row < 0 || row >= static_cast<int>(g.queue.fields.size())) return 0;
  return ExpectedFrames(g.queue.fields[static_cast<std::size_t>(row)]);
}

// Frames still to render in the rows after the running one that are not done.
std::int64_t FramesLeftAfterRunning() {
  std::int64_t frames = 0;
  const auto& left = g.run.framesLeft;
  for (std::size_t row = static_cast<std::size_t>(g.job.row) + 1; row < left.size(); ++row)
    if (row >= g.queue.renderStates.size() || g.queue.renderStates[row] != 2) frames += left[row];
  return frames;
}

void ShowTooltips(const std::string& text) {
  pf::SetControlTooltip(kFramesRenderedText, text);
  pf::SetControlTooltip(kPercentDoneText, text);
}

}  // namespace

double RunningSecondsPerFrame() {
  const WatchedJob& job = g.job;
  const std::int64_t frames = job.framesSeen - job.framesAtStart;
  if (!job.active || frames < 2) return -1;
  return static_cast<double>(std::max<std::int64_t>(0, job.lastRiseMs - job.startMs)) / 1000.0 /
         static_cast<double>(frames);
}

std::string TimeLeftText(std::int64_t nowMs) {
  const double rate = RunningSecondsPerFrame();
  if (rate < 0) return "estimating\x85";   // the ellipsis in the ANSI code page
  const WatchedJob& job = g.job;
  const std::int64_t sceneFrames = std::max<std::int64_t>(0, FramesExpected(job.row) - job.framesSeen);
  // The time since the last frame is already spent on the next one.
  const double scene =
      std::max(0.0, static_cast<double>(sceneFrames) * rate - static_cast<double>(std::max<std::int64_t>(0, nowMs - job.lastRiseMs)) / 1000.0);
  const double queue = scene + static_cast<double>(FramesLeftAfterRunning()) * rate;
  return "about " + std::to_string(Minutes(scene)) + " min left for this scene, " + std::to_string(Minutes(queue)) +
         " min for the queue";
}

void UpdateTimeEstimate(std::int64_t framesFound) {
  WatchedJob& job = g.job;
  if (!job.active) return;
  const std::int64_t now = pf::SteadyMilliseconds();
  if (framesFound > job.framesSeen) {
    job.framesSeen = framesFound;
    job.lastRiseMs = now;
  }
  ShowTooltips(TimeLeftText(now));
}

void ClearTimeEstimate() { ShowTooltips(""); }
