// The scene settings window (window 53): frame scale, antialiasing, render
// mode and output filename format of the current scene, one by one or by a
// preset, written over the scene or into a copy beside it. It runs its own
// event loop until it closes; every other event meanwhile is dropped.
#pragma once

enum SceneSettingsControl {
  kSceneSettingsWindow = 53,
  kSceneSettingsTabs = 54,
  kFramesPerSecondLabel = 55,
  kFramesPerSecondField = 56,
  kFrameSizeLabel = 57,
  kFrameSizeField = 58,
  kPixelAspectLabel = 59,
  kPixelAspectField = 60,
  kFrameScaleLabel = 61,
  kFrameScaleCombo = 62,
  kAntialiasingLabel = 63,
  kAntialiasingCombo = 64,
  kRenderModeLabel = 65,
  kWireframeOption = 66,
  kQuickshadeOption = 67,
  kRealisticOption = 68,
  kFilenameFormatLabel = 69,
  kFilenameFormatCombo = 70,
  kFilenameFormatHint = 71,
  kPresetLabel = 72,
  kPreset1Option = 73,
  kPreset2Option = 74,
  kPreset3Option = 75,
  kPresetNoneOption = 76,
  kOverwriteSceneButton = 77,
  kSaveSceneCopyButton = 78,
  kSceneSettingsCancelButton = 79,
};

// The main window's "Edit Scene Settings..." button: opens the window for
// the scene selected in the queue list, runs it until it closes, then reads
// the scene again and brings the main window up to date.
void OpenSceneSettingsWindow();
