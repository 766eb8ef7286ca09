#include "render/overnight_run.h"

#include <chrono>
#include <cstdlib>

#include "core/program_state.h"
#include "platform/platform.h"
#include "render/failed_scenes.h"
#include "ui/main_window.h"

namespace {

constexpr int kRenderTimer = 1;
constexpr int kWaitPeriod = 3000;

const OvernightSettings& Overnight() { return g.settings.overnight; }

int Digits(const std::string& text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// "YYYY-MM-DD" of the day after.
std::string NextDay(int year, int month, int day) {
  using namespace std::chrono;
  const year_month_day next{sys_days{std::chrono::year{year} / month / day} + days{1}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", int{next.year()}, unsigned{next.month()}, unsigned{next.day()});
  return text;
}

}  // namespace

FailureStep SettleSceneFailure(bool framesAllThere) {
  const bool goOn = Overnight().whenSceneFails == WhenSceneFails::kNext;
  const bool triesLeft = g.run.tries < 1 + Overnight().retries;
  // With the additions in play, a renderer that failed after its last frame
  // has rendered the scene; the described queue ends the run regardless.
  if (framesAllThere && (goOn || Overnight().retries > 0)) return FailureStep::kFinished;
  if (triesLeft) return FailureStep::kRetry;
  return goOn ? FailureStep::kPassOver : FailureStep::kEndRun;
}

bool GoesOnAfterFailure() { return Overnight().whenSceneFails == WhenSceneFails::kNext; }

bool PassOverUnlaunchableScene(int row, const std::string& reason) {
  if (Overnight().whenSceneFails != WhenSceneFails::kNext) return false;
  MarkSceneFailed(row, reason);
  return true;
}

bool FrameTimeoutReached() {
  const int minutes = Overnight().frameTimeoutMinutes;
  if (minutes <= 0 || !g.job.active || !g.job.framesCountable) return false;
  const bool loading = g.job.framesSeen <= g.job.framesAtStart;
  const std::int64_t limit = std::int64_t{minutes} * pf::MinuteMs() * (loading ? 2 : 1);
  return pf::SteadyMilliseconds() - g.job.lastRiseMs >= limit;
}

bool FrameTimeoutUnarmed() { return Overnight().frameTimeoutMinutes > 0 && g.job.active && !g.job.framesCountable; }

std::string HungStatus() {
  return "LWSN hung! (no new frame for " + std::to_string(Overnight().frameTimeoutMinutes) + " min)";
}

std::string NextLocalTime(const std::string& nowIso, const std::string& hhmm, bool& tomorrow) {
  tomorrow = false;
  const int year = Digits(nowIso, 0, 4), month = Digits(nowIso, 5, 2), day = Digits(nowIso, 8, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || nowIso.size() < 19 || hhmm.size() != 5) return {};
  const std::string todayAt = nowIso.substr(0, 11) + hhmm + ":00";
  if (nowIso.compare(0, 19, todayAt) < 0) return todayAt;
  tomorrow = true;
  return NextDay(year, month, day) + "T" + hhmm + ":00";
}

bool BeginWaitForStartTime() {
  if (Overnight().startAt.empty()) return false;
  bool tomorrow = false;
  g.waitingUntil = Overnight().startAt;
  g.waitUntilLocal = NextLocalTime(pf::LocalTimeIso(), g.waitingUntil, tomorrow);
  pf::SetControlText(kStatusText, "Waiting until " + g.waitingUntil + (tomorrow ? " tomorrow" : ""));
  pf::SetControlText(kStartQueueButton, "Stop Queue!");
  pf::StartTimer(kMainWindow, kRenderTimer, kWaitPeriod);
  return true;
}

bool WaitingForStartTime() { return !g.waitingUntil.empty(); }

void CancelWaitForStartTime() {
  g.waitingUntil.clear();
  g.waitUntilLocal.clear();
  pf::SetControlText(kStatusText, "Awaiting Action...");
}

bool StartTimeReached() {
  if (!WaitingForStartTime()) return false;
  const std::string now = pf::LocalTimeIso();
  // A clock that cannot be read never starts the queue by mistake.
  if (now.size() < 19 || g.waitUntilLocal.empty() || now.compare(0, 19, g.waitUntilLocal) < 0) return false;
  g.waitingUntil.clear();
  g.waitUntilLocal.clear();
  return true;
}
