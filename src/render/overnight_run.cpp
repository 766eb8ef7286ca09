#include "render/overnight_run.h"

#include <algorithm>
#include <cstdlib>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "core/text.h"
#include "platform/platform.h"
#include "render/output_tools.h"
#include "render/render_job.h"
#include "render/run_watch.h"
#include "ui/main_window.h"

namespace {

constexpr int kRenderTimer = 1;
constexpr int kWaitPeriod = 3000;

const OvernightSettings& Overnight() { return g.settings.overnight; }

bool ValidRow(int row) { return row >= 0 && row < static_cast<int>(g.queue.scenePaths.size()); }

void MarkFailed(int row, const std::string& reason) {
  if (!ValidRow(row)) return;
  const std::string& path = g.queue.scenePaths[row];
  auto& failed = g.queue.failedScenes;
  failed.erase(std::remove_if(failed.begin(), failed.end(), [&](const auto& f) { return f.first == path; }),
               failed.end());
  failed.emplace_back(path, reason);
}

// The local time of day in seconds, from the wall clock's ISO text.
int LocalSecondsOfDay() {
  const std::string now = pf::LocalTimeIso();   // 2026-12-07T22:00:00+01:00
  if (now.size() < 19) return -1;
  return std::atoi(now.substr(11, 2).c_str()) * 3600 + std::atoi(now.substr(14, 2).c_str()) * 60 +
         std::atoi(now.substr(17, 2).c_str());
}

int SecondsOfDay(const std::string& hhmm) {
  return std::atoi(hhmm.substr(0, 2).c_str()) * 3600 + std::atoi(hhmm.substr(3, 2).c_str()) * 60;
}

// The clock went from `before` to `now` (a tick later) and passed `target`
// on its way, midnight included; a clock set back passes nothing.
bool Passed(int before, int now, int target) {
  if (before < 0 || now < 0) return false;
  if (before <= now) return before < target && target <= now;
  // Over midnight, unless the clock was set back: a tick is seconds long,
  // so a jump back of more than an hour is taken for a change of the clock.
  const bool overMidnight = before - now > 12 * 3600;
  return overMidnight && (target > before || target <= now);
}

}  // namespace

bool SettleSceneFailure(const std::string& reason, int exitCode) {
  const int row = g.queue.renderCursor;
  const bool triesLeft = g.run.tries < 1 + Overnight().retries;
  const bool goOn = Overnight().whenSceneFails == WhenSceneFails::kNext;
  if (!triesLeft && !goOn) return false;
  WatchJobEnded(JobResult::kFailed, exitCode, true);
  ForgetRenderer();
  g.rendering = 0;
  if (triesLeft) {
    // Again, after the frames on disk.
    LaunchRenderJob();
  } else {
    MarkFailed(row, reason);
    ++g.queue.renderCursor;
    LaunchRenderJob();
  }
  g.queue.detailsReenable = g.queue.queueChanged = 0;
  return true;
}

bool PassOverUnlaunchableScene(int row, const std::string& reason) {
  if (Overnight().whenSceneFails != WhenSceneFails::kNext) return false;
  MarkFailed(row, reason);
  return true;
}

bool SceneFailed(int row) {
  if (!ValidRow(row)) return false;
  const std::string& path = g.queue.scenePaths[row];
  return std::any_of(g.queue.failedScenes.begin(), g.queue.failedScenes.end(),
                     [&](const auto& f) { return f.first == path; });
}

void ClearSceneFailures() { g.queue.failedScenes.clear(); }

std::string QueueFinishedStatus() {
  if (g.queue.failedScenes.empty()) return "LWSN was finished...";
  return "Finished: " + std::to_string(g.queue.failedScenes.size()) + " of " + std::to_string(g.queue.count) +
         " scenes failed";
}

std::string FailedScenesText() {
  std::string text;
  for (const auto& [path, reason] : g.queue.failedScenes) {
    if (!text.empty()) text += ", ";
    text += FilePart(path) + " (" + reason + ")";
  }
  return text;
}

bool FrameTimeoutReached() {
  const int minutes = Overnight().frameTimeoutMinutes;
  if (minutes <= 0 || !g.job.active) return false;
  return pf::SteadyMilliseconds() - g.job.lastRiseMs >= std::int64_t{minutes} * 60000;
}

std::string HungStatus() {
  return "LWSN hung! (no new frame for " + std::to_string(Overnight().frameTimeoutMinutes) + " min)";
}

bool BeginWaitForStartTime() {
  if (Overnight().startAt.empty()) return false;
  g.waitingUntil = Overnight().startAt;
  g.waitSecondsSeen = LocalSecondsOfDay();
  pf::SetControlText(kStatusText, "Waiting until " + g.waitingUntil);
  pf::SetControlText(kStartQueueButton, "Stop Queue!");
  pf::StartTimer(kMainWindow, kRenderTimer, kWaitPeriod);
  return true;
}

bool WaitingForStartTime() { return !g.waitingUntil.empty(); }

void CancelWaitForStartTime() {
  g.waitingUntil.clear();
  g.waitSecondsSeen = -1;
  pf::SetControlText(kStatusText, "Awaiting Action...");
  RefreshOutputListing();
  RefreshQueueState();
}

void WaitForStartTimeTick() {
  if (!WaitingForStartTime()) return;
  const int now = LocalSecondsOfDay();
  const bool due = Passed(g.waitSecondsSeen, now, SecondsOfDay(g.waitingUntil));
  g.waitSecondsSeen = now;
  if (!due) return;
  g.waitingUntil.clear();
  StartQueueNow();
}
