#include "ui/scene_settings_window.h"

#include <string>

#include "core/program_state.h"
#include "core/scene_edits.h"
#include "core/scene_queue.h"
#include "platform/platform.h"
#include "ui/nested_loop.h"
#include "render/output_tools.h"
#include "scene/render_tables.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "ui/main_window.h"

namespace {

using pf::ControlKind;

// The option buttons are numbered in the order of their tables: the render
// mode options by RenderMode value, the presets as in kPresets.
constexpr int kRenderModeOptions = static_cast<int>(kRenderModes.size());
constexpr int kPresetOptions = static_cast<int>(kPresets.size());
constexpr int kPresetNone = kPresetOptions - 1;
static_assert(kWireframeOption + kRenderModeRealistic == kRealisticOption);
static_assert(kPreset1Option + kPresetNone == kPresetNoneOption);

// What one visit of the window keeps; nothing of it outlives the window.
struct Visit {
  SceneSettingsChange change;   // positions, marks, render mode choice, scaled size
  // The scene's frame size label as read; a picked frame scale shows its
  // size through the entry's label until the window closes.
  std::string frameSizeLabel;
};
Visit visit;

SceneEntry& Entry() { return g.queue.fields[g.queue.currentScene]; }

bool CurrentSceneValid() {
  int row = g.queue.currentScene;
  return row >= 0 && row < g.queue.count && static_cast<std::size_t>(row) < g.queue.fields.size() &&
         static_cast<std::size_t>(row) < g.queue.scenePaths.size();
}

// ---- layout ----------------------------------------------------------------

pf::ControlSpec OnPanel(pf::ControlSpec layout) {
  layout.tabPanel = kSceneSettingsTabs;
  layout.tabIndex = 0;
  return layout;
}

void CreatePanelControls() {
  using pf::kFontBold;
  using pf::kFontHeading;
  using pf::kFontRegular;
  using pf::kFontSystem;
  // Creation order is the tab order; the render mode options are created
  // right to left, Wireframe first. Each run of options is one group.
  const pf::ControlSpec panel[] = {
      {kFramesPerSecondLabel, ControlKind::LabelRight, 0, 9, 118, 16, "Frames Per Second:", nullptr, kFontBold},
      {kFramesPerSecondField, ControlKind::ReadOnlyField, 123, 6, 151, 20, "", nullptr, kFontRegular},
      {kFrameSizeLabel, ControlKind::LabelRight, 0, 32, 118, 16, "Frame Size:", nullptr, kFontBold},
      {kFrameSizeField, ControlKind::ReadOnlyField, 123, 29, 151, 20, "", nullptr, kFontRegular},
      {kPixelAspectLabel, ControlKind::LabelRight, 0, 55, 118, 16, "Pixel Aspect Ratio:", nullptr, kFontBold},
      {kPixelAspectField, ControlKind::ReadOnlyField, 123, 52, 151, 20, "", nullptr, kFontRegular},
      {kFrameScaleLabel, ControlKind::Label, 7, 78, 147, 17, "Frame Scale Factor:", nullptr, kFontBold},
      {kFrameScaleCombo, ControlKind::DropDownList, 123, 74, 151, 20, "", nullptr, kFontSystem},
      {kAntialiasingLabel, ControlKind::LabelRight, 0, 99, 118, 16, "Antialiasing:", nullptr, kFontBold},
      {kAntialiasingCombo, ControlKind::DropDownList, 123, 96, 151, 20, "", nullptr, kFontSystem},
      {kRenderModeLabel, ControlKind::LabelRight, 2, 131, 125, 15, "Output Render Mode:", nullptr, kFontHeading},
      {kWireframeOption, ControlKind::OptionButton, 182, 147, 71, 20, "Wireframe", nullptr, kFontSystem},
      {kQuickshadeOption, ControlKind::OptionButton, 85, 147, 79, 20, "Quickshade", nullptr, kFontSystem},
      {kRealisticOption, ControlKind::OptionButton, 6, 147, 71, 20, "Realistic", nullptr, kFontSystem},
      {kFilenameFormatLabel, ControlKind::LabelRight, 4, 176, 218, 15, "Output Filename Prefix/Suffix Format:",
       nullptr, kFontHeading},
      {kFilenameFormatCombo, ControlKind::DropDownList, 6, 193, 116, 20, "", nullptr, kFontSystem},
      {kFilenameFormatHint, ControlKind::Label, 128, 197, 218, 15, "(x=counter, yyy=extension)", nullptr,
       kFontSystem},
      {kPresetLabel, ControlKind::LabelRight, 3, 225, 162, 15, "Predefined Render Settings:", nullptr,
       kFontHeading},
      {kPreset1Option, ControlKind::OptionButton, 6, 240, 67, 20, kPresets[0].caption, kPresets[0].tooltip,
       kFontSystem},
      {kPreset2Option, ControlKind::OptionButton, 80, 240, 67, 20, kPresets[1].caption, kPresets[1].tooltip,
       kFontSystem},
      {kPreset3Option, ControlKind::OptionButton, 154, 240, 67, 20, kPresets[2].caption, kPresets[2].tooltip,
       kFontSystem},
      {kPresetNoneOption, ControlKind::OptionButton, 228, 240, 48, 20, kPresets[3].caption, kPresets[3].tooltip,
       kFontSystem},
  };
  for (const auto& layout : panel) pf::CreateControl(kSceneSettingsWindow, OnPanel(layout));
}

void ShowInitialEntries() {
  pf::SetControlState(kFrameScaleCombo, kFrameScaleInitial);
  pf::SetControlState(kAntialiasingCombo, kAntialiasingInitial);
  pf::SetControlState(kFilenameFormatCombo, kFilenameFormatInitial);
}

void FillLists() {
  for (const auto& row : kFrameScales) pf::AddControlItem(kFrameScaleCombo, row.listText);
  for (const auto& row : kAntialiasingLevels) pf::AddControlItem(kAntialiasingCombo, row.label);
  for (const auto& row : kFilenameFormats) pf::AddControlItem(kFilenameFormatCombo, row.listText);
}

void CreateSceneSettingsWindow() {
  pf::OpenWindowAt(kSceneSettingsWindow, 150, 150, 295, 329, g.sceneSettingsWindowTitle,
                   pf::kWindowTitleOnly | pf::kWindowHidden);
  pf::CreateControl(kSceneSettingsWindow,
                    {kSceneSettingsTabs, ControlKind::TabPanel, 5, 7, 285, 290, "", nullptr, pf::kFontRegular});
  pf::AddTab(kSceneSettingsTabs, "Edit Current Scene Settings");
  CreatePanelControls();
  const pf::ControlSpec buttons[] = {
      {kOverwriteSceneButton, ControlKind::Button, 4, 302, 111, 20, "Overwrite Scene", nullptr, pf::kFontBold},
      {kSaveSceneCopyButton, ControlKind::Button, 122, 302, 112, 20, "Save A Scene Copy", nullptr,
       pf::kFontRegular},
      {kSceneSettingsCancelButton, ControlKind::Button, 242, 302, 47, 20, "Cancel", nullptr, pf::kFontRegular},
  };
  for (const auto& layout : buttons) pf::CreateControl(kSceneSettingsWindow, layout);
  FillLists();
  ShowInitialEntries();
}

// ---- showing the scene -----------------------------------------------------

void EnableSaving(bool enabled) {
  pf::SetControlEnabled(kOverwriteSceneButton, enabled);
  pf::SetControlEnabled(kSaveSceneCopyButton, enabled);
}

// Option states are set for the whole group: setting one option does not
// clear the others of its group.
void ShowRenderMode(int mode) {
  for (int i = 0; i < kRenderModeOptions; ++i) pf::SetControlState(kWireframeOption + i, i == mode ? 1 : 0);
}
void ShowPreset(int preset) {
  for (int i = 0; i < kPresetOptions; ++i) pf::SetControlState(kPreset1Option + i, i == preset ? 1 : 0);
}

// A list whose value the table lacks keeps the entry it shows.
void SelectIfFound(int list, int index) {
  if (index != kNoIndex) pf::SetControlState(list, index);
}

// A scene of format 4 and later samples per camera: the antialiasing list
// shows the rendering camera's sampling as it stands and cannot be changed.
bool SamplesPerCamera() { return !Entry()[kFieldCameraSampling].empty(); }

void ShowCameraSampling() {
  pf::ClearControlItems(kAntialiasingCombo);
  pf::AddControlItem(kAntialiasingCombo, Entry()[kFieldCameraSampling]);
  pf::SetControlState(kAntialiasingCombo, 0);
  pf::SetControlEnabled(kAntialiasingCombo, false);
}

// Shows the entry's values and starts the visit with nothing changed.
void FillFromEntry() {
  const SceneEntry& entry = Entry();
  ShowPreset(kPresetNone);
  pf::SetControlText(kFramesPerSecondField, entry[kFieldFramesPerSecond]);
  pf::SetControlText(kFrameSizeField, entry[kFieldFrameSizeLabel]);
  pf::SetControlText(kPixelAspectField, entry[kFieldPixelAspect]);
  SelectIfFound(kFrameScaleCombo, FrameScaleIndex(entry[kFieldResolutionMultiplier]));
  if (SamplesPerCamera()) ShowCameraSampling();
  else SelectIfFound(kAntialiasingCombo, AntialiasingIndexOfLabel(entry[kFieldAntialiasing]));
  SelectIfFound(kFilenameFormatCombo, FilenameFormatIndex(entry[kFieldOutputFilenameFormat]));
  ShowRenderMode(RenderModeIndex(entry[kFieldRenderMode]));
  visit.change = SceneSettingsChange{};
}

// The entry's frame size label as the scene file gives it: a picked scale
// must not stay behind in it, since the reading at closing keeps the label
// of a scene without a FrameSize line.
void LabelFrameSizeAsStored() {
  SceneEntry& entry = Entry();
  if (entry[kFieldFrameSize].empty()) {
    entry[kFieldFrameSizeLabel] = visit.frameSizeLabel;
    return;
  }
  entry[kFieldFrameSizeLabel] = entry[kFieldFrameSize];
  LabelFrameSize(entry);
}

// ---- the user's changes ----------------------------------------------------

// Scaling always starts from the size and multiplier as read, so several
// picks in a row do not add up.
void TakeFrameScale(int position) {
  SceneEntry& entry = Entry();
  visit.change.frameScaleChanged = true;
  visit.change.frameScale = position;
  visit.change.scaledSize = ScaledFrameSize(entry[kFieldFrameSize], entry[kFieldResolutionMultiplier], position);
  // A rendering camera without a FrameSize line has no size to scale: it
  // keeps showing as not found, and saving tells the user.
  if (!SamplesPerCamera() || !entry[kFieldFrameSize].empty())
    entry[kFieldFrameSizeLabel] = ScaledFrameSizeLabel(visit.change.scaledSize, entry[kFieldPixelAspect]);
  pf::SetControlText(kFrameSizeField, entry[kFieldFrameSizeLabel]);
  EnableSaving(true);
}

void TakeAntialiasing(int position) {
  visit.change.antialiasingChanged = true;
  visit.change.antialiasing = position;
  EnableSaving(true);
}

void TakeFilenameFormat(int position) {
  visit.change.filenameFormatChanged = true;
  visit.change.filenameFormat = position;
  EnableSaving(true);
}

void TakeRenderMode(int mode) {
  visit.change.renderMode = mode;
  ShowRenderMode(mode);
  EnableSaving(true);
}

// "None" forgets the frame scale, antialiasing and render mode changes but
// leaves the lists showing them; a changed filename format stays marked.
void ApplyPreset(int preset) {
  ShowPreset(preset);
  if (preset == kPresetNone) {
    visit.change.frameScaleChanged = false;
    visit.change.antialiasingChanged = false;
    visit.change.renderMode = kNoIndex;
    EnableSaving(false);
    return;
  }
  const PresetRow& row = kPresets[static_cast<std::size_t>(preset)];
  pf::SetControlState(kFrameScaleCombo, row.frameScale);
  TakeRenderMode(row.renderMode);
  // The camera's sampling lines stay as they are.
  if (!SamplesPerCamera()) {
    pf::SetControlState(kAntialiasingCombo, row.antialiasing);
    TakeAntialiasing(row.antialiasing);
  }
  TakeFrameScale(row.frameScale);
}

// A list event counts only with an entry selected.
template <typename Take>
void TakeListPosition(int list, Take take) {
  int position = pf::ControlState(list);
  if (position >= 0) take(position);
}

// ---- saving ------------------------------------------------------------------

// False when the window stays open: the user answered No, which sets the
// window back as it was opened but leaves the save buttons usable.
bool OverwriteScene() {
  if (!ConfirmSceneOverwrite()) {
    LabelFrameSizeAsStored();
    ShowInitialEntries();
    FillFromEntry();
    return false;
  }
  // The window closes whether or not the scene could be written.
  RewriteSceneSettings(RewriteMode::kOverwrite, visit.change);
  return true;
}

// False when the window stays open: the copy could not be written. The
// lists keep showing the user's choices, which are what a further save
// writes.
bool SaveSceneCopy() { return RewriteSceneSettings(RewriteMode::kCopy, visit.change); }

// Handles one control event of the window; false when the window is done.
bool HandleControl(int control) {
  switch (control) {
    case kFrameScaleCombo: TakeListPosition(kFrameScaleCombo, TakeFrameScale); break;
    case kAntialiasingCombo:
      if (!SamplesPerCamera()) TakeListPosition(kAntialiasingCombo, TakeAntialiasing);
      break;
    case kFilenameFormatCombo: TakeListPosition(kFilenameFormatCombo, TakeFilenameFormat); break;
    case kWireframeOption:
    case kQuickshadeOption:
    case kRealisticOption: TakeRenderMode(control - kWireframeOption); break;
    case kPreset1Option:
    case kPreset2Option:
    case kPreset3Option:
    case kPresetNoneOption: ApplyPreset(control - kPreset1Option); break;
    case kOverwriteSceneButton: return !OverwriteScene();
    case kSaveSceneCopyButton: return !SaveSceneCopy();
    case kSceneSettingsCancelButton: return false;
    default: break;   // labels, fields, and other windows' controls: dropped
  }
  return true;
}

}  // namespace

void OpenSceneSettingsWindow() {
  int selected = pf::ControlState(kQueueList);
  if (selected >= 0) g.queue.currentScene = selected;
  if (!CurrentSceneValid()) return;

  int x = pf::WindowX(kMainWindow);
  int y = pf::WindowY(kMainWindow);
  CreateSceneSettingsWindow();
  pf::PlaceWindow(kSceneSettingsWindow, x + 20, y + 20);
  pf::SetWindowVisible(kSceneSettingsWindow, true);
  pf::SetWindowTopmost(kSceneSettingsWindow, true);

  visit = Visit{};
  visit.frameSizeLabel = Entry()[kFieldFrameSizeLabel];
  FillFromEntry();
  EnableSaving(false);
  RunNestedLoop(HandleControl);

  pf::CloseWindowNumber(kSceneSettingsWindow);
  pf::Pause(10);
  pf::ActivateWindowNumber(kMainWindow);
  // The entry describes the file on disk again, whatever the visit did.
  LabelFrameSizeAsStored();
  ReadSceneEntry(g.queue.currentScene);
  RefreshQueueState();
  RefreshOutputListing();
}
