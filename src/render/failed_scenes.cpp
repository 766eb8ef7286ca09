#include "render/failed_scenes.h"

#include <algorithm>

#include "core/program_state.h"
#include "core/text.h"

namespace {

bool ValidRow(int row) { return row >= 0 && row < static_cast<int>(g.queue.scenePaths.size()); }

}  // namespace

void MarkSceneFailed(int row, const std::string& reason) {
  if (!ValidRow(row)) return;
  const std::string& path = g.queue.scenePaths[row];
  auto& failed = g.queue.failedScenes;
  failed.erase(std::remove_if(failed.begin(), failed.end(), [&](const auto& f) { return f.first == path; }),
               failed.end());
  failed.emplace_back(path, reason);
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
