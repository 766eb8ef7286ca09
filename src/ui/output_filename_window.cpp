#include "ui/output_filename_window.h"

#include <string>
#include <string_view>

#include "core/program_state.h"
#include "platform/platform.h"
#include "ui/nested_loop.h"
#include "scene/render_tables.h"
#include "scene/scene_rewriter.h"
#include "ui/main_window.h"

namespace {

using pf::ControlKind;

// Characters no Windows file name may hold, the path separators and the
// drive colon aside: the renderer could not save a single frame under such
// a prefix.
constexpr std::string_view kRefusedCharacters = "*?\"<>|";

SceneEntry& Entry() { return g.queue.fields[g.queue.currentScene]; }

bool CurrentSceneValid() {
  int row = g.queue.currentScene;
  return row >= 0 && row < g.queue.count && static_cast<std::size_t>(row) < g.queue.fields.size() &&
         static_cast<std::size_t>(row) < g.queue.scenePaths.size();
}

void CreateOutputFilenameWindow() {
  pf::OpenWindowAt(kOutputFilenameWindow, 150, 150, 275, 98, "Output Filename",
                   pf::kWindowTitleOnly | pf::kWindowHidden);
  const pf::ControlSpec controls[] = {
      {kFilenamePromptLabel, ControlKind::Label, 8, 3, 224, 20, "Type in a filename for the frames:", nullptr,
       pf::kFontBold},
      {kFilenameField, ControlKind::EditField, 8, 18, 260, 20, "", nullptr, pf::kFontRegular},
      {kFileFormatLabel, ControlKind::Label, 38, 46, 120, 20, "Choose file format:", nullptr, pf::kFontBold},
      {kFileFormatCombo, ControlKind::DropDownList, 148, 43, 120, 20, "", nullptr, pf::kFontSystem},
      {kFilenameOkButton, ControlKind::Button, 8, 69, 188, 20, "OK (scene file will be updated)", nullptr,
       pf::kFontBold},
      {kFilenameCancelButton, ControlKind::Button, 206, 69, 63, 20, "Cancel", nullptr, pf::kFontRegular},
  };
  for (const auto& layout : controls) pf::CreateControl(kOutputFilenameWindow, layout);
  for (const auto& row : kImageFormats) pf::AddControlItem(kFileFormatCombo, row.extension);
}

// The prefix as typed (the placeholder shows as an empty field) and the
// format of the image extension; an extension none of the list's leaves
// the list without a selection.
void FillFromEntry() {
  const SceneEntry& entry = Entry();
  if (entry[kFieldOutputPrefix] != g.placeholder) pf::SetControlText(kFilenameField, entry[kFieldOutputPrefix]);
  int format = ImageFormatIndex(entry[kFieldImageExtension]);
  if (format != kNoIndex) pf::SetControlState(kFileFormatCombo, format);
}

// OK: false when the window stays open because the name was refused.
bool AcceptFilename() {
  const std::string name = pf::ControlText(kFilenameField);
  const int format = pf::ControlState(kFileFormatCombo);
  RememberImageFormatChoice(format);
  SceneEntry& entry = Entry();
  const SceneEntry before = entry;
  if (name.empty()) {
    entry[kFieldOutputPrefix] = g.placeholder;   // no name: the scene file is left alone
    return true;
  }
  if (name.find_first_of(kRefusedCharacters) != std::string::npos) {
    pf::ShowMessage("Error!", "A filename cannot contain any of these characters:\n\r* ? \" < > |",
                    pf::kBoxError);
    return false;
  }
  entry[kFieldOutputPrefix] = name;
  // With no format selected (the scene saves in a format the list lacks)
  // the scene keeps its own saver and extension.
  const bool picked = !ImageFormatExtension(format).empty();
  if (picked) entry[kFieldImageExtension] = ImageFormatExtension(format);
  // Failures are reported by the rewrite; the window closes in any case.
  RewriteOutputPath(before, picked ? format : kNoIndex);
  return true;
}

// Handles one control event of the window; false when the window is done.
bool HandleControl(int control) {
  switch (control) {
    case kFilenameOkButton: return !AcceptFilename();
    case kFilenameCancelButton: return false;
    default: return true;   // the field's own events, and other windows' controls
  }
}

}  // namespace

void OpenOutputFilenameWindow() {
  if (!CurrentSceneValid()) return;
  int x = pf::WindowX(kMainWindow);
  int y = pf::WindowY(kMainWindow);
  CreateOutputFilenameWindow();
  pf::PlaceWindow(kOutputFilenameWindow, x + 12, y + 340);
  pf::SetWindowVisible(kOutputFilenameWindow, true);
  pf::SetWindowTopmost(kOutputFilenameWindow, true);
  FillFromEntry();
  RunNestedLoop(HandleControl);

  pf::CloseWindowNumber(kOutputFilenameWindow);
  pf::Pause(10);
  pf::ActivateWindowNumber(kMainWindow);
  BringMainWindowToFront();
}
