#include "render/run_watch.h"

#include <algorithm>

#include "core/program_state.h"
#include "core/text.h"
#include "platform/platform.h"
#include "render/output_tools.h"
#include "render/progress.h"
#include "core/unattended.h"
#include "render/failed_scenes.h"
#include "render/overnight_run.h"
#include "render/run_marker.h"
#include "render/time_estimate.h"
#include "ui/main_window.h"
#include "ui/tray_ids.h"

namespace {

const SceneEntry* EntryOf(int row) {
  if (row < 0 || row >= static_cast<int>(g.queue.fields.size())) return nullptr;
  return &g.queue.fields[static_cast<std::size_t>(row)];
}

std::int64_t FramesOf(int row) {
  const SceneEntry* entry = EntryOf(row);
  return entry ? CountFrameFiles(*entry) : 0;
}

std::string Counted(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void Notify(const std::string& text) { g.pendingNotices.push_back(text); }

// While a run that ends with sleep, hibernation or shut down is under way,
// the tray tooltip says so, so that nobody is surprised at lunch.
void ShowRunInTooltip(bool underWay) {
  const WhenQueueDone action = g.settings.overnight.whenQueueDone;
  std::string text = g.programTitle + " - Right=Queue Status";
  if (underWay && action != WhenQueueDone::kNothing) {
    const char* then = action == WhenQueueDone::kSleep       ? "sleep"
                       : action == WhenQueueDone::kHibernate ? "hibernate"
                                                             : "shut down";
    // The tooltip holds 63 characters.
    text = g.programTitle + " - rendering, then " + then;
  }
  pf::SetTrayTooltip(kTrayIcon, text);
}

// The balloon of a run that ended while the window was hidden: the queue's
// totals, or how its last job ended; what nobody was there to read follows.
void TellRunEnd(RunOutcome outcome) {
  const WatchedRun& run = g.run;
  std::string text;
  if (outcome == RunOutcome::kFinished) {
    text = "Queue finished: " + Counted(run.scenesFinished, "scene", "scenes") + ", " +
           Counted(run.framesRendered, "frame", "frames") + " in " +
           DurationText(pf::SteadyMilliseconds() - run.startMs);
    const std::string failed = FailedScenesText();
    if (!failed.empty()) text += "; failed: " + failed;
  } else {
    text = run.lastEndText;
  }
  const std::string untold = TakeUntoldNotices();
  if (!untold.empty()) text += (text.empty() ? "" : "; ") + untold;
  if (!text.empty() && (run.windowHiddenAtLastEnd || !untold.empty())) Notify(text);
}

// A run starts with the first job after nothing rendered: what every row
// still lacks is counted once, for the queue's time estimate.
void BeginRunIfNew() {
  WatchedRun& run = g.run;
  if (run.active) return;
  run = WatchedRun{};
  run.active = true;
  run.startMs = pf::SteadyMilliseconds();
  MarkRunUnderWay();
  ShowRunInTooltip(true);
  for (int row = 0; row < static_cast<int>(g.queue.fields.size()); ++row) {
    const bool done = row < static_cast<int>(g.queue.renderStates.size()) && g.queue.renderStates[row] == 2;
    const std::int64_t left = done ? 0 : ExpectedFrames(*EntryOf(row)) - FramesOf(row);
    run.framesLeft.push_back(std::max<std::int64_t>(0, left));
  }
}

void BeginJob(int row, long long firstFrame) {
  WatchedJob& job = g.job;
  const SceneEntry* entry = EntryOf(row);
  job = WatchedJob{};
  job.row = row;
  job.scenePath = row < static_cast<int>(g.queue.scenePaths.size()) ? g.queue.scenePaths[row] : "";
  job.startTime = pf::LocalTimeIso();
  job.startMs = job.lastRiseMs = pf::SteadyMilliseconds();
  job.first = firstFrame;
  job.last = entry ? ReadNumber((*entry)[kFieldLastFrame]) : 0;
  job.step = entry ? EffectiveStep(*entry) : 1;
  job.framesAtStart = job.framesSeen = FramesOf(row);
  // Frames in a folder the program cannot see cannot be counted: no new
  // frame would ever show, whatever the renderer does.
  job.framesCountable = entry && (*entry)[kFieldOutputDir] != g.placeholder &&
                        (*entry)[kFieldOutputPrefix] != g.placeholder && !(*entry)[kFieldOutputPrefix].empty() &&
                        pf::QueryFileSize((*entry)[kFieldOutputDir]) == -2;
}

// A history that cannot be written never holds up the queue; its first
// failure in a run is told once.
void WriteHistory(JobResult result, int exitCode, std::int64_t framesAtEnd, const std::string& note = "") {
  const std::int64_t elapsed = std::max<std::int64_t>(0, pf::SteadyMilliseconds() - g.job.startMs);
  if (AppendHistoryLine(HistoryLine(result, exitCode, pf::LocalTimeIso(), framesAtEnd, elapsed, note))) return;
  if (g.run.historyFailureShown) return;
  g.run.historyFailureShown = true;
  Notify(std::string("Render history could not be written: ") + g.programDirectory + kHistoryFileName);
}

std::string EndText(JobResult result, int exitCode) {
  const std::string scene = FilePart(g.job.scenePath);
  if (result == JobResult::kFailed && exitCode > 0)
    return "Scene failed: " + scene + " (exit code " + std::to_string(exitCode) + ")";
  return "Scene terminated: " + scene;
}

}  // namespace

std::string DurationText(std::int64_t milliseconds) {
  const std::int64_t seconds = std::max<std::int64_t>(0, milliseconds) / 1000;
  if (seconds < 60) return std::to_string(seconds) + " s";
  const std::int64_t minutes = seconds / 60;
  if (minutes < 60) return std::to_string(minutes) + " min";
  return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

void WatchJobStarted(int row, long long firstFrame) {
  BeginRunIfNew();
  // The tries of a scene in this run: a failed one may be started again.
  g.run.tries = row == g.run.triedRow ? g.run.tries + 1 : 1;
  g.run.triedRow = row;
  ++g.run.jobsStarted;
  BeginJob(row, firstFrame);
  g.job.active = true;
  UpdateTimeEstimate(g.job.framesSeen);
}

void WatchJobNotStarted(int row, long long firstFrame, const std::string& reason) {
  BeginRunIfNew();
  BeginJob(row, firstFrame);
  WriteHistory(JobResult::kNotStarted, 0, g.job.framesAtStart, reason);
}

void WatchJobEnded(JobResult result, int exitCode, const std::string& note) {
  if (!g.job.active) return;
  const std::int64_t framesAtEnd = FramesOf(g.job.row);
  WatchedRun& run = g.run;
  run.framesRendered += std::max<std::int64_t>(0, framesAtEnd - g.job.framesAtStart);
  if (result == JobResult::kFinished) ++run.scenesFinished;
  run.windowHiddenAtLastEnd = !pf::IsWindowVisible(kMainWindow);
  run.lastEndText = result == JobResult::kFinished ? "" : EndText(result, exitCode);
  WriteHistory(result, exitCode, framesAtEnd, note);
  g.lastEndedScene = g.job.scenePath;
  g.job.active = false;
  ClearTimeEstimate();
}

void NoteCutOffFrame(int row, const std::string& movedTo) {
  const std::string scene = row < static_cast<int>(g.queue.scenePaths.size()) ? FilePart(g.queue.scenePaths[row]) : "";
  const std::string text = scene + ": frame cut off, moved aside as " + FilePart(movedTo);
  if (!AppendHistoryLine(NoteLine(pf::LocalTimeIso(), text)) && !g.run.historyFailureShown) {
    g.run.historyFailureShown = true;
    Notify(std::string("Render history could not be written: ") + g.programDirectory + kHistoryFileName);
  }
}

void WatchRunEnded(RunOutcome outcome) {
  if (!g.run.active) return;
  WatchedRun& run = g.run;
  run.active = false;
  ShowRunInTooltip(false);
  // Nothing renders any more, and a box may follow that waits all night.
  if (g.systemRequired && !WaitingForStartTime()) {
    g.systemRequired = 0;
    pf::SetSystemRequired(false);
  }
  TellRunEnd(outcome);
  // What the user chose for a queue that is done follows the run's end.
  run.offerQueueDone = outcome == RunOutcome::kFinished && run.queueFinished;
}

void WatchQueueFinished() {
  if (g.run.active) g.run.queueFinished = true;
}

void WatchJobProgress() {
  if (!g.job.active) return;
  // The listing counts the selected scene, which is the rendering one unless
  // the user picked another meanwhile.
  const std::int64_t frames = g.queue.currentScene == g.job.row ? g.framesFound - 2 : FramesOf(g.job.row);
  UpdateTimeEstimate(frames);
}

void SyncWithRendering() {
  // A computer left at 18:00 with Start at 22:00 must still be awake then.
  const int wanted = g.rendering || WaitingForStartTime() ? 1 : 0;
  for (const auto& text : g.pendingNotices) pf::ShowTrayBalloon(kTrayIcon, g.programTitle, text);
  g.pendingNotices.clear();
  if (wanted == g.systemRequired) return;
  g.systemRequired = wanted;
  pf::SetSystemRequired(wanted != 0);
}
