#include "ui/main_window.h"

#include <iterator>

#include "core/program_state.h"
#include "platform/platform.h"

namespace {

using pf::ControlKind;
using pf::kFontBold;
using pf::kFontFixed;
using pf::kFontRegular;
using pf::kFontSystem;

// Creation order is the keyboard tab order.
const pf::ControlSpec kMainControls[] = {
    {kQueueFrame, ControlKind::GroupFrame, 4, 56, 285, 184, " Scene Queue Management ", nullptr, kFontBold},
    {kAddSceneButton, ControlKind::Button, 10, 75, 89, 22, "Add Scene", "Add scene to queue....", kFontRegular},
    {kEditSceneButton, ControlKind::Button, 10, 386, 135, 22, "Edit Scene Settings...",
     "Click to edit common scene settings and predefined preview settings... ", kFontRegular},
    {kClearScenesButton, ControlKind::Button, 194, 75, 89, 22, "Clear Scene(s)",
     "Remove selected scene from queue....", kFontRegular},
    {kViewSceneButton, ControlKind::Button, 10, 100, 89, 22, "View Scene(LW)",
     "View the selected scene in Lightwave...", kFontRegular},
    {kMoveUpButton, ControlKind::Button, 102, 75, 89, 22, "Up In Queue", "Move selected item up in queue...",
     kFontRegular},
    {kMoveDownButton, ControlKind::Button, 102, 100, 89, 22, "Down In Queue",
     "Move selected item down in queue...", kFontRegular},
    {kQueueList, ControlKind::ListBox, 11, 128, 271, 66, "", nullptr, kFontSystem},
    // 154 wide, not 136: as wide as it can be before the priority check box
    // at 166, since the caption and its box need about 162 pixels in Tahoma.
    {kParentDirViewCheck, ControlKind::CheckBox, 11, 217, 154, 16, " Parent Dir+Scene File(s) Only",
     "Shows one parent directory and scene filenames...", kFontRegular},
    {kSceneFileOnlyCheck, ControlKind::CheckBox, 11, 198, 112, 17, " Scene Files(s) Only",
     "Shows all scene filenames, without any paths...", kFontRegular},
    {kHighPriorityCheck, ControlKind::CheckBox, 166, 198, 112, 17, " LWSN High Priority!",
     "Will set/reset LWSN.EXE priority to HIGH or reset back to IDLE (default)", kFontRegular},
    {kConsoleViewCheck, ControlKind::CheckBox, 166, 217, 112, 17, " LWSN Console View",
     "Will open up a console window with LWSN's output (before QUEUE START)", kFontRegular},
    {kProgressFrame, ControlKind::GroupFrame, 4, 248, 285, 197, " Render Progress And Scene Details ", nullptr,
     kFontBold},
    {kFirstFrameField, ControlKind::ReadOnlyField, 11, 311, 85, 19, "", nullptr, kFontRegular},
    {kLastFrameField, ControlKind::ReadOnlyField, 104, 311, 85, 19, "", nullptr, kFontRegular},
    {kFrameStepField, ControlKind::ReadOnlyField, 197, 311, 85, 19, "", nullptr, kFontRegular},
    {kOutputDirButton, ControlKind::Button, 10, 334, 97, 22, "Output Directory:",
     "Click to change output directory...", kFontRegular},
    {kOutputDirField, ControlKind::ReadOnlyField, 111, 335, 171, 20, "", nullptr, kFontRegular},
    {kOutputFilenameButton, ControlKind::Button, 10, 360, 97, 22, "Output Filename:",
     "Click to change output filename....", kFontRegular},
    {kOutputFilenameField, ControlKind::ReadOnlyField, 111, 361, 171, 20, "",
     "Extension in brackets means there will be no extension on saved frames", kFontRegular},
    {kStatusLabel, ControlKind::LabelRight, 11, 427, 113, 14, "Background Status:", nullptr, kFontBold},
    {kStatusText, ControlKind::Label, 126, 427, 153, 15, "Awaiting Action...", nullptr, kFontRegular},
    {kProjectLabel, ControlKind::LabelRight, 24, 411, 100, 14, "Current Project:", nullptr, kFontBold},
    {kQueueCountText, ControlKind::Label, 126, 411, 154, 15, "0 Scene File(s) In Queue", nullptr, kFontRegular},
    {kStartQueueButton, ControlKind::Button, 194, 100, 89, 22, "Start Queue!",
     "Start/stops or continues the background rendering...", kFontBold},
    {kFramesRenderedLabel, ControlKind::Label, 13, 268, 110, 16, "Frames Rendered:", nullptr, kFontBold},
    {kFramesRenderedText, ControlKind::Label, 122, 268, 90, 16, "none", nullptr, kFontBold},
    {kPercentDoneText, ControlKind::LabelRight, 198, 268, 85, 16, "(0% done)", nullptr, kFontBold},
    {kMainSettingsFrame, ControlKind::GroupFrame, 5, 4, 285, 46, " Main Program Settings", nullptr, kFontBold},
    {kLoadProjectButton, ControlKind::Button, 10, 21, 76, 22, "Load Project", "Load a saved project...",
     kFontRegular},
    {kSaveProjectButton, ControlKind::Button, 90, 21, 76, 22, "Save Project", "Save curent project....",
     kFontRegular},
    {kViewOutputDirButton, ControlKind::Button, 148, 386, 135, 22, "View Output Directory >>",
     "Will show the filenames in the output directory...", kFontRegular},
    {kAboutButton, ControlKind::Button, 238, 21, 46, 22, "About", nullptr, kFontRegular},
    {kSettingsButton, ControlKind::Button, 169, 21, 65, 22, "Settings...", "Program behaviour and user settings....",
     kFontRegular},
    {kFirstFrameButton, ControlKind::Button, 10, 288, 87, 22, "First Frame:", "Click to change first frame...",
     kFontRegular},
    {kLastFrameButton, ControlKind::Button, 103, 288, 87, 22, "Last Frame:", "Click to change last frame...",
     kFontRegular},
    {kFrameStepButton, ControlKind::Button, 196, 288, 87, 22, "Frame Step:", "Click to change frame step...",
     kFontRegular},
    {kOutputListingView, ControlKind::RichText, 295, 10, 300, 300, "", nullptr, kFontFixed},
    {kLogLabel, ControlKind::Label, 294, 313, 260, 16, "LWSN Output Log: (LW8/LWSN Build 690+ only)", nullptr,
     kFontRegular},
    {kLogView, ControlKind::RichText, 295, 330, 300, 90, "", nullptr, kFontFixed},
    {kDeleteFramesButton, ControlKind::Button, 295, 424, 120, 22, "Delete all frames !",
     "Danger! Will delete all rendered frames in current output directory!", kFontBold},
    {kViewImageButton, ControlKind::Button, 415, 424, 92, 22, "View Image(s)",
     "Will view the last image in queue. Will start your external default image viewer!", kFontRegular},
    {kRefreshLogButton, ControlKind::Button, 508, 424, 87, 22, "Refresh Log",
     "Will refresh the LWSN output log file (only for LW8+)", kFontRegular},
};

const int kStartupDisabled[] = {
    kClearScenesButton,    kSceneFileOnlyCheck, kParentDirViewCheck, kSaveProjectButton, kStartQueueButton,
    kViewSceneButton,      kMoveUpButton,       kMoveDownButton,     kOutputDirButton,   kOutputFilenameButton,
    kOutputDirField,       kOutputFilenameField, kFirstFrameButton,  kLastFrameButton,   kFrameStepButton,
    kFirstFrameField,      kLastFrameField,     kFrameStepField,     kPercentDoneText,   kEditSceneButton,
    kViewOutputDirButton,  kDeleteFramesButton, kViewImageButton,
};
static_assert(std::size(kStartupDisabled) == 23);

}  // namespace

bool CreateMainWindow(const std::string& title) {
  int flags = pf::kWindowSystemMenu | pf::kWindowMinimizeButton | pf::kWindowHidden;
  if (!pf::OpenWindowAt(kMainWindow, 150, 150, kNarrowWidth, kMainHeight, title, flags)) return false;
  for (const auto& layout : kMainControls)
    if (!pf::CreateControl(kMainWindow, layout)) return false;
  return true;
}

void DisableStartupControls() {
  for (int control : kStartupDisabled) pf::SetControlEnabled(control, false);
}

void SetMainWindowWide(bool wide) {
  pf::SetWindowInnerSize(kMainWindow, wide ? kWideWidth : kNarrowWidth, kMainHeight);
  g.outputViewOpen = wide ? 1 : 0;
  pf::SetControlText(kViewOutputDirButton, wide ? "Close Directory View <<" : "View Output Directory >>");
}

void BringMainWindowToFront() {
  pf::SetWindowVisible(kMainWindow, true);
  pf::SetWindowTopmost(kMainWindow, true);
  pf::SetWindowTopmost(kMainWindow, false);
}

bool ChooseOutputDirectory() {
  int row = g.queue.currentScene;
  if (row < 0 || row >= static_cast<int>(g.queue.fields.size())) return false;
  std::string& directory = g.queue.fields[row][kFieldOutputDir];
  const bool unknown = directory == g.placeholder;
  std::string chosen = pf::RequestPath("Locate your Output Directory for frames...", unknown ? "C:\\" : directory);
  if (chosen.empty()) {
    if (unknown) pf::ShowMessage("Error!", "Nothing was selected, please choose path!", pf::kBoxError);
    return false;
  }
  directory = chosen;
  return true;
}
