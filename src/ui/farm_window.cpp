#include "ui/farm_window.h"

#include <algorithm>
#include <string>

#include "core/program_state.h"
#include "core/text.h"
#include "farm/farm_job.h"
#include "farm/farm_status.h"
#include "farm/job_folder.h"
#include "persist/settings_file.h"
#include "platform/platform.h"
#include "ui/main_window.h"
#include "ui/nested_loop.h"

namespace {

using pf::ControlKind;

constexpr int kStatusIntervalMs = 3000;
constexpr int kMaxFramesPerTask = 100000;

// The status text last put into the view. The view is set only when the
// text changes, so a user scrolling through it is not sent back to the top
// at every tick.
std::string statusShown;

void CreateFarmWindow() {
  pf::OpenWindowAt(kFarmWindow, 150, 150, 420, 530, "Farm", pf::kWindowSystemMenu | pf::kWindowHidden);
  // Labels sit 3 pixels lower than the field beside them, so the texts line up.
  const pf::ControlSpec controls[] = {
      {kFramesPerTaskLabel, ControlKind::Label, 5, 10, 195, 20, "Frames per task:", nullptr, pf::kFontRegular},
      {kFramesPerTaskField, ControlKind::EditField, 205, 7, 60, 20, "", nullptr, pf::kFontRegular},
      {kNodeRendererLabel, ControlKind::Label, 5, 35, 195, 20, "Node renderer:", nullptr, pf::kFontRegular},
      {kNodeRendererField, ControlKind::EditField, 205, 32, 210, 20, "", nullptr, pf::kFontRegular},
      {kNodeRendererNote, ControlKind::Label, 205, 55, 210, 16, "Empty: wine + the renderer path", nullptr,
       pf::kFontRegular},
      {kPartitionLabel, ControlKind::Label, 5, 78, 195, 20, "Partition:", nullptr, pf::kFontRegular},
      {kPartitionField, ControlKind::EditField, 205, 75, 100, 20, "", nullptr, pf::kFontRegular},
      {kInQueueOrderCheck, ControlKind::CheckBox, 6, 98, 400, 25,
       " In queue order (each scene waits for the one before)", nullptr, pf::kFontRegular},
      {kShareHereLabel, ControlKind::Label, 5, 128, 195, 20, "Share on this computer:", nullptr, pf::kFontRegular},
      {kShareHereField, ControlKind::EditField, 205, 125, 210, 20, "", nullptr, pf::kFontRegular},
      {kShareOnClusterLabel, ControlKind::Label, 5, 153, 195, 20, "Share on the cluster:", nullptr,
       pf::kFontRegular},
      {kShareOnClusterField, ControlKind::EditField, 205, 150, 210, 20, "", nullptr, pf::kFontRegular},
      {kCpusPerTaskLabel, ControlKind::Label, 5, 178, 195, 20, "CPUs per task (0: the whole node):", nullptr,
       pf::kFontRegular},
      {kCpusPerTaskField, ControlKind::EditField, 205, 175, 60, 20, "", nullptr, pf::kFontRegular},
      {kMemoryPerTaskLabel, ControlKind::Label, 5, 203, 195, 20, "Memory per task (empty: default):", nullptr,
       pf::kFontRegular},
      {kMemoryPerTaskField, ControlKind::EditField, 205, 200, 100, 20, "", nullptr, pf::kFontRegular},
      {kTimeLimitLabel, ControlKind::Label, 5, 228, 195, 20, "Time limit (empty: the partition's):", nullptr,
       pf::kFontRegular},
      {kTimeLimitField, ControlKind::EditField, 205, 225, 100, 20, "", nullptr, pf::kFontRegular},
      {kWinePrefixLabel, ControlKind::Label, 5, 253, 195, 20, "Wine prefix (empty: Wine's):", nullptr,
       pf::kFontRegular},
      {kWinePrefixField, ControlKind::EditField, 205, 250, 210, 20, "", nullptr, pf::kFontRegular},
      {kTasksAtOnceLabel, ControlKind::Label, 5, 278, 195, 20, "Tasks at once (0: no limit):", nullptr,
       pf::kFontRegular},
      {kTasksAtOnceField, ControlKind::EditField, 205, 275, 60, 20, "", nullptr, pf::kFontRegular},
      {kJobFolderLabel, ControlKind::Label, 5, 303, 58, 20, "Job folder:", nullptr, pf::kFontRegular},
      {kJobFolderField, ControlKind::EditField, 65, 300, 280, 20, "", nullptr, pf::kFontRegular},
      {kJobFolderBrowseButton, ControlKind::Button, 350, 300, 65, 20, "Browse...", nullptr, pf::kFontRegular},
      {kWriteFarmJobButton, ControlKind::Button, 5, 327, 120, 20, "Write Farm Job", nullptr, pf::kFontBold},
      {kFarmCloseButton, ControlKind::Button, 132, 327, 56, 20, "Close", nullptr, pf::kFontRegular},
      {kFarmStatusLabel, ControlKind::Label, 5, 357, 195, 16, "Farm status:", nullptr, pf::kFontRegular},
      {kFarmStatusView, ControlKind::RichText, 5, 375, 410, 150, "", nullptr, pf::kFontRegular},
  };
  for (const auto& layout : controls) pf::CreateControl(kFarmWindow, layout);
}

void FillFarmWindow() {
  const FarmSettings& f = g.settings.farm;
  pf::SetControlText(kFramesPerTaskField, std::to_string(f.framesPerTask));
  pf::SetControlText(kNodeRendererField, f.nodeRenderer);
  pf::SetControlText(kPartitionField, f.partition);
  pf::SetControlState(kInQueueOrderCheck, f.inQueueOrder ? 1 : 0);
  pf::SetControlText(kShareHereField, f.shareHere);
  pf::SetControlText(kShareOnClusterField, f.shareOnCluster);
  pf::SetControlText(kCpusPerTaskField, std::to_string(f.cpusPerTask));
  pf::SetControlText(kMemoryPerTaskField, f.memoryPerTask);
  pf::SetControlText(kTimeLimitField, f.timeLimit);
  pf::SetControlText(kWinePrefixField, f.winePrefix);
  pf::SetControlText(kTasksAtOnceField, std::to_string(f.tasksAtOnce));
  const std::string& project =
      g.currentProjectPath.empty() ? g.settings.lastSavedProject : g.currentProjectPath;
  pf::SetControlText(kJobFolderField, JobFolderFor(project));
}

// The folder as typed, with the backslash the job's file names follow.
std::string JobFolderField() {
  std::string folder = Trim(pf::ControlText(kJobFolderField));
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// The queue's paths the nodes cannot see, named above the status, as of
// the last Write Farm Job (or the window's opening).
std::string unseenShown;

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

void RefreshFarmStatus() {
  std::string text = FarmStatusText(pf::ControlText(kJobFolderField), g.queue, pf::LocalTimeIso());
  if (!unseenShown.empty()) text = unseenShown + "\r\n\r\n" + text;
  if (text == statusShown) return;
  pf::SetControlText(kFarmStatusView, text);
  statusShown = std::move(text);
}

// Blanks around a setting are never meant; the settings file drops them too.
void TakeAndSaveFarmSettings() {
  FarmSettings f = g.settings.farm;
  f.framesPerTask = std::clamp(ReadNumber(pf::ControlText(kFramesPerTaskField)), 1, kMaxFramesPerTask);
  f.nodeRenderer = Trim(pf::ControlText(kNodeRendererField));
  f.partition = Trim(pf::ControlText(kPartitionField));
  f.inQueueOrder = pf::ControlState(kInQueueOrderCheck) != 0;
  f.shareHere = Trim(pf::ControlText(kShareHereField));
  f.shareOnCluster = Trim(pf::ControlText(kShareOnClusterField));
  f.cpusPerTask = std::clamp(ReadNumber(pf::ControlText(kCpusPerTaskField)), 0, kMaxFramesPerTask);
  f.memoryPerTask = Trim(pf::ControlText(kMemoryPerTaskField));
  f.timeLimit = Trim(pf::ControlText(kTimeLimitField));
  f.winePrefix = Trim(pf::ControlText(kWinePrefixField));
  f.tasksAtOnce = std::clamp(ReadNumber(pf::ControlText(kTasksAtOnceField)), 0, kMaxFramesPerTask);
  g.settings.farm = f;
  SaveSettings();
}

// Write Farm Job: the settings are taken whatever follows, so what the user
// typed is kept even when nothing can be written yet.
void WriteFarmJob() {
  TakeAndSaveFarmSettings();
  if (g.queue.count == 0) {
    pf::ShowMessage("Info", "The queue has no scenes: nothing was written.", pf::kBoxInfo);
    return;
  }
  const std::string folder = JobFolderField();
  if (folder.empty()) {
    pf::ShowMessage("Error!", "No job folder: type one or choose one with Browse...", pf::kBoxError);
    pf::FocusControl(kJobFolderField);
    return;
  }
  // Only the program's own job folder or an empty one is ever replaced.
  if (const std::string refusal = JobFolderRefusal(folder); !refusal.empty()) {
    pf::ShowMessage("Error!", refusal, pf::kBoxError);
    return;
  }
  if (const std::int64_t open = TasksNotEnded(folder); open > 0) {
    if (pf::ShowMessage("Question",
                        "The jobs of the farm job folder\n" + folder + "\nmay still run: " + std::to_string(open) +
                            " task(s) have not ended. Replace the folder anyway?",
                        pf::kBoxQuestion) != pf::kAnswerYes)
      return;
  } else if (KindOfJobFolder(folder) == JobFolderKind::kOwnJob &&
             pf::ShowMessage("Question", "Replace the farm job folder\n" + folder + " ?", pf::kBoxQuestion) !=
                 pf::kAnswerYes) {
    return;
  }
  const FarmJob job = PlanFarmJob(folder);
  unseenShown = WithCrLf(UnseenPathsText(job));
  std::string error;
  // On failure the old folder is still there, as WriteJobFolder leaves it.
  if (!WriteJobFolder(job, folder, error)) {
    pf::ShowMessage("Error!", error, pf::kBoxError);
    return;
  }
  pf::ShowMessage("Info", WrittenMessage(job, folder), pf::kBoxInfo);
  RefreshFarmStatus();
}

// The chosen folder itself is the job folder.
void BrowseJobFolder() {
  const std::string chosen = pf::RequestPath("Choose the farm job folder", JobFolderField());
  if (chosen.empty()) return;
  pf::SetControlText(kJobFolderField, chosen);
  RefreshFarmStatus();
}

// Handles one event of the window; false when the window is done. Close
// discards what was typed since the last Write Farm Job.
bool HandleFarmEvent(const pf::Event& event) {
  if (event.code == pf::kEventClose) return false;
  if (event.code == pf::kEventTimer) {
    if (event.timer == kFarmStatusTimer) RefreshFarmStatus();
    return true;
  }
  if (event.code != pf::kEventGadget) return true;
  switch (event.control) {
    case kWriteFarmJobButton: WriteFarmJob(); return true;
    case kJobFolderBrowseButton: BrowseJobFolder(); return true;
    case kFarmCloseButton: return false;
    default: return true;   // the fields are read at Write Farm Job; the view is only shown
  }
}

}  // namespace

void OpenFarmWindow() {
  int x = pf::WindowX(kMainWindow);
  int y = pf::WindowY(kMainWindow);
  CreateFarmWindow();
  pf::PlaceWindow(kFarmWindow, x + 20, y + 20);
  pf::SetWindowVisible(kFarmWindow, true);
  pf::SetWindowTopmost(kFarmWindow, true);
  FillFarmWindow();
  statusShown.clear();
  unseenShown = WithCrLf(UnseenPathsText(QueueOutline({}), false));
  RefreshFarmStatus();
  pf::StartTimer(kFarmWindow, kFarmStatusTimer, kStatusIntervalMs);
  RunWindowEventLoop(kFarmWindow, HandleFarmEvent);
  pf::StopTimer(kFarmWindow, kFarmStatusTimer);
  pf::CloseWindowNumber(kFarmWindow);
  pf::Pause(10);
  // Opened from the tray, the main window stays where it was: in the tray.
  if (pf::IsWindowVisible(kMainWindow)) pf::ActivateWindowNumber(kMainWindow);
}
