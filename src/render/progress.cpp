#include "render/progress.h"

#include <cmath>
#include <string>

#include "core/text.h"
#include "render/failed_scenes.h"
#include "platform/platform.h"
#include "ui/main_window.h"

namespace {

SceneEntry* CurrentEntry() {
  int row = g.queue.currentScene;
  if (row < 0 || row >= g.queue.count || row >= static_cast<int>(g.queue.fields.size())) return nullptr;
  return &g.queue.fields[row];
}

void ShowCounts(SceneEntry* entry, std::int64_t found, std::int64_t expected) {
  std::int64_t percent = found >= 1 ? PercentDone(found, expected) : 0;
  pf::SetControlText(kFramesRenderedText,
                     found >= 1 ? std::to_string(found) + " of " + std::to_string(expected) : "none");
  std::string percentText = "(";   // appended: GCC 12 warns of an overlap in "(" + temporary
  // A scene the run left behind says so in place of its percentage.
  if (entry && SceneFailed(g.queue.currentScene)) percentText += "failed";
  else {
    percentText += std::to_string(percent);
    percentText += "% done";
  }
  percentText += ")";
  pf::SetControlText(kPercentDoneText, percentText);
  if (entry) (*entry)[kFieldPercentDone] = std::to_string(percent);
}

// A later rule overrides an earlier one; with none matching the caption stays.
void ShowStartCaption(std::int64_t found, bool running, bool complete) {
  const char* caption = nullptr;
  if (found >= 1 && running && g.rendererExitCode != 0) caption = "Stop Queue!";
  if (!running) caption = "Start Queue!";
  if (found >= 1 && !running && g.rendererExitCode == 0) caption = "Cont. Queue!";
  if (complete && !running && g.rendererExitCode == 0) caption = "Scene Done!";
  // A start waiting for its time is stopped with the same button.
  if (!g.waitingUntil.empty()) caption = "Stop Queue!";
  if (caption) pf::SetControlText(kStartQueueButton, caption);
}

void ShowProgressOf(SceneEntry* entry) {
  const std::int64_t found = g.framesFound - 2;
  const std::int64_t expected = entry ? ExpectedFrames(*entry) : 0;
  const bool complete = entry && SceneComplete(*entry, found);
  const bool running = g.rendererProcess != 0;

  ShowCounts(entry, found, expected);
  pf::SetControlEnabled(kDeleteFramesButton, found >= 1 && !running);
  pf::SetControlEnabled(kViewImageButton, found >= 1 && (!running || g.rendererExitCode != 0));
  ShowStartCaption(found, running, complete);

  // A scene that expects no frames keeps its state.
  auto row = static_cast<std::size_t>(g.queue.currentScene);
  if (!entry || expected <= 0 || row >= g.queue.renderStates.size()) return;
  g.queue.renderStates[row] = complete ? 2 : 1;
}

}  // namespace

std::int64_t EffectiveStep(const SceneEntry& entry) {
  std::int64_t step = ReadNumber(entry[kFieldFrameStep]);
  return step < 1 ? 1 : step;
}

std::int64_t ExpectedFrames(const SceneEntry& entry) {
  std::int64_t first = ReadNumber(entry[kFieldFirstFrame]);
  std::int64_t last = ReadNumber(entry[kFieldLastFrame]);
  if (last < first) return 0;
  return (last - first) / EffectiveStep(entry) + 1;
}

bool SceneComplete(const SceneEntry& entry, std::int64_t framesFound) {
  std::int64_t expected = ExpectedFrames(entry);
  return expected >= 1 && framesFound >= expected;
}

std::int64_t PercentDone(std::int64_t found, std::int64_t expected) {
  if (expected <= 0) return 0;
  // The default rounding mode takes halves to the even neighbour.
  return static_cast<std::int64_t>(std::nearbyint(static_cast<double>(found) / static_cast<double>(expected) * 100.0));
}

void ShowProgress() { ShowProgressOf(CurrentEntry()); }

void ShowNoProgress() { ShowProgressOf(nullptr); }
