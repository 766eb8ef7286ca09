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
  pf::OpenWindowAt(kFarmWindow, 150, 150, 420, 405, "Farm", pf::kWindowSystemMenu | pf::kWindowHidden);
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
      {kJobFolderLabel, ControlKind::Label, 5, 178, 58, 20, "Job folder:", nullptr, pf::kFontRegular},
      {kJobFolderField, ControlKind::EditField, 65, 175, 280, 20, "", nullptr, pf::kFontRegular},
      {kJobFolderBrowseButton, ControlKind::Button, 350, 175, 65, 20, "Browse...", nullptr, pf::kFontRegular},
      {kWriteFarmJobButton, ControlKind::Button, 5, 202, 120, 20, "Write Farm Job", nullptr, pf::kFontBold},
      {kFarmCloseButton, ControlKind::Button, 132, 202, 56, 20, "Close", nullptr, pf::kFontRegular},
      {kFarmStatusLabel, ControlKind::Label, 5, 232, 195, 16, "Farm status:", nullptr, pf::kFontRegular},
      {kFarmStatusView, ControlKind::RichText, 5, 250, 410, 150, "", nullptr, pf::kFontRegular},
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

void RefreshFarmStatus() {
  std::string text = FarmStatusText(pf::ControlText(kJobFolderField), g.queue);
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
  if (FolderExists(folder) &&
      pf::ShowMessage("Question", "Replace the farm job folder\n" + folder + " ?", pf::kBoxQuestion) !=
          pf::kAnswerYes)
    return;
  const FarmJob job = PlanFarmJob();
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
  RefreshFarmStatus();
  pf::StartTimer(kFarmWindow, kFarmStatusTimer, kStatusIntervalMs);
  RunWindowEventLoop(kFarmWindow, HandleFarmEvent);
  pf::StopTimer(kFarmWindow, kFarmStatusTimer);
  pf::CloseWindowNumber(kFarmWindow);
  pf::Pause(10);
  // Opened from the tray, the main window stays where it was: in the tray.
  if (pf::IsWindowVisible(kMainWindow)) pf::ActivateWindowNumber(kMainWindow);
}
