#include "ui/overnight_window.h"

#include <algorithm>
#include <string>

#include "core/program_state.h"
#include "core/text.h"
#include "persist/overnight_settings.h"
#include "persist/settings_file.h"
#include "platform/platform.h"
#include "ui/main_window.h"
#include "ui/nested_loop.h"

namespace {

using pf::ControlKind;

constexpr int kMaxRetries = 3;
constexpr int kMaxFrameTimeout = 1440;   // a day

// In the order of the enumerations, so that a position is the value.
constexpr const char* kFailsChoices[] = {"Stop the queue", "Go on with the next scene"};
constexpr const char* kDoneChoices[] = {"Nothing", "Sleep", "Hibernate", "Shut down"};

void CreateOvernightWindow() {
  pf::OpenWindowAt(kOvernightWindow, 150, 150, 360, 187, "Overnight", pf::kWindowTitleOnly | pf::kWindowHidden);
  // Labels sit 3 pixels lower than the field beside them, so the texts line up.
  const pf::ControlSpec controls[] = {
      {kWhenSceneFailsLabel, ControlKind::Label, 5, 10, 185, 20, "When a scene fails:", nullptr, pf::kFontRegular},
      {kWhenSceneFailsCombo, ControlKind::DropDownList, 195, 7, 160, 20, "", nullptr, pf::kFontRegular},
      {kRetriesLabel, ControlKind::Label, 5, 35, 185, 20, "Retries:", nullptr, pf::kFontRegular},
      {kRetriesCombo, ControlKind::DropDownList, 195, 32, 40, 20, "", nullptr, pf::kFontRegular},
      {kFrameTimeoutLabel, ControlKind::Label, 5, 60, 185, 20, "Frame timeout (minutes, 0 = none):", nullptr,
       pf::kFontRegular},
      {kFrameTimeoutField, ControlKind::EditField, 195, 57, 40, 20, "", nullptr, pf::kFontRegular},
      {kCheckLastFrameCheck, ControlKind::CheckBox, 6, 80, 300, 25, " Check the last frame before continuing",
       nullptr, pf::kFontRegular},
      {kWhenQueueDoneLabel, ControlKind::Label, 5, 110, 185, 20, "When the queue is done:", nullptr,
       pf::kFontRegular},
      {kWhenQueueDoneCombo, ControlKind::DropDownList, 195, 107, 160, 20, "", nullptr, pf::kFontRegular},
      {kStartAtLabel, ControlKind::Label, 5, 135, 185, 20, "Start at (HH:MM, empty = at once):", nullptr,
       pf::kFontRegular},
      {kStartAtField, ControlKind::EditField, 195, 132, 50, 20, "", nullptr, pf::kFontRegular},
      {kOvernightOkButton, ControlKind::Button, 5, 160, 120, 20, "OK", nullptr, pf::kFontBold},
      {kOvernightCancelButton, ControlKind::Button, 132, 160, 56, 20, "Cancel", nullptr, pf::kFontRegular},
  };
  for (const auto& layout : controls) pf::CreateControl(kOvernightWindow, layout);
  for (const char* choice : kFailsChoices) pf::AddControlItem(kWhenSceneFailsCombo, choice);
  for (int retries = 0; retries <= kMaxRetries; ++retries) pf::AddControlItem(kRetriesCombo, std::to_string(retries));
  for (const char* choice : kDoneChoices) pf::AddControlItem(kWhenQueueDoneCombo, choice);
}

void FillOvernightWindow() {
  const OvernightSettings& o = g.settings.overnight;
  pf::SetControlState(kWhenSceneFailsCombo, static_cast<int>(o.whenSceneFails));
  pf::SetControlState(kRetriesCombo, std::clamp(o.retries, 0, kMaxRetries));
  pf::SetControlText(kFrameTimeoutField, std::to_string(o.frameTimeoutMinutes));
  pf::SetControlState(kCheckLastFrameCheck, o.checkLastFrame ? 1 : 0);
  pf::SetControlState(kWhenQueueDoneCombo, static_cast<int>(o.whenQueueDone));
  pf::SetControlText(kStartAtField, o.startAt);
}

// A position outside the list (nothing selected) keeps the value shown.
template <typename Value>
Value Chosen(int combo, int choices, Value shown) {
  int position = pf::ControlState(combo);
  return position >= 0 && position < choices ? static_cast<Value>(position) : shown;
}

// OK: false when the window stays open because Start at is no time.
bool AcceptOvernightSettings() {
  OvernightSettings o = g.settings.overnight;
  const std::string startText = Trim(pf::ControlText(kStartAtField));
  o.startAt = NormalisedClockTime(startText);
  if (!startText.empty() && o.startAt.empty()) {
    pf::ShowMessage("Error!", "Start at must be a time such as 22:00, or empty.", pf::kBoxError);
    pf::FocusControl(kStartAtField);
    return false;
  }
  o.whenSceneFails = Chosen(kWhenSceneFailsCombo, 2, o.whenSceneFails);
  o.retries = Chosen(kRetriesCombo, kMaxRetries + 1, o.retries);
  o.frameTimeoutMinutes = std::clamp(ReadNumber(pf::ControlText(kFrameTimeoutField)), 0, kMaxFrameTimeout);
  o.checkLastFrame = pf::ControlState(kCheckLastFrameCheck) != 0;
  o.whenQueueDone = Chosen(kWhenQueueDoneCombo, 4, o.whenQueueDone);
  g.settings.overnight = o;
  SaveSettings();
  return true;
}

// Handles one control event of the window; false when the window is done.
bool HandleControl(int control) {
  switch (control) {
    case kOvernightOkButton: return !AcceptOvernightSettings();
    case kOvernightCancelButton: return false;   // the settings were never touched
    default: return true;   // the fields are read at OK; other windows' controls wait
  }
}

}  // namespace

void OpenOvernightWindow() {
  int x = pf::WindowX(kMainWindow);
  int y = pf::WindowY(kMainWindow);
  CreateOvernightWindow();
  pf::PlaceWindow(kOvernightWindow, x + 20, y + 20);
  pf::SetWindowVisible(kOvernightWindow, true);
  pf::SetWindowTopmost(kOvernightWindow, true);
  FillOvernightWindow();
  RunNestedLoop(HandleControl);
  pf::CloseWindowNumber(kOvernightWindow);
  pf::Pause(10);
  // Opened from the tray, the main window stays where it was: in the tray.
  if (pf::IsWindowVisible(kMainWindow)) pf::ActivateWindowNumber(kMainWindow);
}
