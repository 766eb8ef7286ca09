#include "core/outside_files.h"

#include "core/program_state.h"
#include "core/unattended.h"
#include "core/scene_queue.h"
#include "core/text.h"
#include "persist/project_file.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kRefusalsListed = 20;

bool HasExtension(const std::string& path, const char* extension) {
  const std::string_view ext = extension;
  return path.size() > ext.size() && EqualsNoCase(std::string_view(path).substr(path.size() - ext.size()), ext);
}

// Why a file cannot be opened; empty when it can.
std::string RefusalOf(const std::string& path) {
  const std::int64_t size = pf::QueryFileSize(path);
  if (size == -2) return "is a folder";
  if (!HasExtension(path, ".lws") && !HasExtension(path, ".tbp")) return "is not a scene (.lws) or project (.tbp)";
  if (size == -1) return "was not found";
  return "";
}

void ShowRefusals(const std::vector<std::string>& refusals) {
  if (refusals.empty()) return;
  std::string text = "Not opened:";
  for (std::size_t i = 0; i < refusals.size() && i < kRefusalsListed; ++i) text += "\n" + refusals[i];
  if (refusals.size() > kRefusalsListed)
    text += "\n... and " + std::to_string(refusals.size() - kRefusalsListed) + " more";
  pf::ShowMessage("Error!", text, pf::kBoxError);
}

}  // namespace

void HandOverIfFolderTaken() {
  if (pf::ClaimProgramFolder()) return;
  const std::vector<std::string> files = pf::CommandLineFiles();
  int code = 0;
  // A copy that does not answer would lose the files unseen: say so.
  if (!pf::HandFilesToRunningCopy(files)) {
    pf::ShowMessage("Error!", "Tallowbridge already runs from this folder but did not answer.", pf::kBoxError);
    code = 1;
  }
  pf::ShutdownPlatform();
  pf::ExitProcessWith(code);
}

void OpenOutsideFiles(const std::vector<std::string>& files) {
  std::vector<std::string> refusals;
  for (const auto& path : files) {
    const std::string refusal = RefusalOf(path);
    if (!refusal.empty()) {
      refusals.push_back("'" + path + "' " + refusal);
    } else if (HasExtension(path, ".lws")) {
      QueueScenePath(path);
      RefreshQueueState();
    } else {
      g.currentProjectPath = path;
      LoadProject();
    }
  }
  ShowRefusals(refusals);
}

void TakeOutsideFiles() {
  std::vector<std::string> arrived = pf::TakeArrivedFiles();
  g.waitingFiles.insert(g.waitingFiles.end(), arrived.begin(), arrived.end());
  // An unattended night takes them when it ends: what they bring may ask.
  if (g.rendering || Unattended() || g.waitingFiles.empty()) return;
  std::vector<std::string> files;
  files.swap(g.waitingFiles);
  OpenOutsideFiles(files);
}
