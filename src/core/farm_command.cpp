#include "core/farm_command.h"

#include <vector>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "core/text.h"
#include "farm/farm_status.h"
#include "farm/job_folder.h"
#include "persist/project_file.h"
#include "persist/settings_file.h"
#include "platform/platform.h"
#include "render/build_detection.h"
#include "ui/main_window.h"

namespace {

std::string ErrorFileFor(const std::string& project) {
  const std::string folder = JobFolderFor(project);
  return folder.substr(0, folder.size() - 1) + "-error.txt";
}

void WriteText(const std::string& path, const std::string& text) {
  if (pf::FileHandle file = pf::FileOpen(path, pf::FileMode::CreateWrite)) {
    pf::FileWrite(file, text.data(), static_cast<std::int64_t>(text.size()));
    pf::FileClose(file);
  }
}

// The queue as the project holds it; false with the reason.
bool LoadQueue(const std::string& project, std::string& error) {
  // The queue lives in the main window's list: the window is made, never shown.
  CreateMainWindow(g.programTitle);
  // This reading of the settings must not reload the last project.
  g.settings.projectAutoLoaded = 1;
  if (pf::QueryFileSize(g.settingsFileName) >= 0) LoadSettings();
  DetectRendererBuild();
  g.currentProjectPath = project;
  LoadProject();
  if (g.projectLoadFailed) {
    error = "Could not load the project " + project;
    return false;
  }
  if (RecountQueue() < 1) {
    error = "The project " + project + " queues no scenes: nothing was written.";
    return false;
  }
  return true;
}

// "/farm night.tbp" or "/farm night.tbp /force".
bool ForceGiven(const std::vector<std::string>& args) { return args.size() == 3 && EqualsNoCase(args[2], "/force"); }

// What keeps the job from being written without /force: tasks of the
// folder's submitted jobs not ended, paths the nodes cannot see.
std::string Objection(const FarmJob& job, const std::string& folder) {
  std::string text;
  if (const std::int64_t open = TasksNotEnded(folder); open > 0)
    text = "The jobs of " + folder + " may still run: " + std::to_string(open) +
           " task(s) have not ended. Nothing was written (/force writes it anyway).";
  std::string unseen;
  for (char c : UnseenPathsText(job)) unseen += c == '\n' ? std::string("\r\n") : std::string(1, c);
  if (!unseen.empty()) text += (text.empty() ? "" : "\r\n") + unseen + "\r\nNothing was written (/force writes it anyway).";
  return text;
}

}  // namespace

std::string FarmCommandProject() {
  const std::vector<std::string> args = pf::CommandLineArguments();
  if ((args.size() != 2 && !ForceGiven(args)) || !EqualsNoCase(args[0], "/farm")) return {};
  const std::vector<std::string> files = pf::CommandLineFiles();
  return files.size() >= 2 && files.size() == args.size() ? files[1] : args[1];
}

void RunFarmCommand(const std::string& project) {
  pf::SetQuietMessages(true);
  const bool force = ForceGiven(pf::CommandLineArguments());
  std::string error;
  bool written = LoadQueue(project, error);
  if (written) {
    const std::string folder = JobFolderFor(project);
    const FarmJob job = PlanFarmJob(folder);
    if (!force) error = Objection(job, folder);
    written = error.empty() && WriteJobFolder(job, folder, error);
  }
  const std::string errorFile = ErrorFileFor(project);
  if (written) {
    pf::DeletePath(errorFile);
  } else {
    std::string text = error + "\r\n";
    for (const auto& message : pf::TakeQuietMessages()) text += message + "\r\n";
    WriteText(errorFile, text);
  }
  pf::ShutdownPlatform();
  pf::ExitProcessWith(written ? 0 : 1);
}
