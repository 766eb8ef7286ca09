// Tallowbridge's windows as the driver finds them from outside: their
// titles and the IDs of the controls the scenarios read and click. Kept
// apart from the program's own headers on purpose, so that a changed ID or
// caption shows up as a failing scenario.
#pragma once

namespace e2e {

// ---- titles ---------------------------------------------------------------
inline const char* const kMainTitle = "Tallowbridge v1.1";
inline const char* const kSettingsTitle = "Settings - Tallowbridge v1.1";
inline const char* const kSceneSettingsTitle = "Edit Scene - Tallowbridge v1.1";
inline const char* const kFilenameTitle = "Output Filename";
inline const char* const kSaveProjectTitle = "Save Tallowbridge project or overwrite previous project...";

// ---- the main window --------------------------------------------------------
constexpr int kAddSceneButton = 2;
constexpr int kEditSceneButton = 3;
constexpr int kClearScenesButton = 4;
constexpr int kQueueList = 8;
constexpr int kParentDirViewCheck = 9;
constexpr int kSceneFileOnlyCheck = 10;
constexpr int kHighPriorityCheck = 11;
constexpr int kFirstFrameField = 13;
constexpr int kLastFrameField = 14;
constexpr int kFrameStepField = 15;
constexpr int kOutputDirField = 17;
constexpr int kOutputFilenameButton = 18;
constexpr int kOutputFilenameField = 19;
constexpr int kStartQueueButton = 20;
constexpr int kPercentDoneText = 21;
constexpr int kStatusText = 22;
constexpr int kFramesRenderedText = 24;
constexpr int kSaveProjectButton = 27;
constexpr int kViewOutputDirButton = 28;
constexpr int kAboutButton = 29;
constexpr int kSettingsButton = 30;
constexpr int kFirstFrameButton = 32;
constexpr int kLastFrameButton = 33;
constexpr int kOutputListingView = 35;
constexpr int kQueueCountText = 37;
constexpr int kRefreshLogButton = 97;

// ---- the settings window ----------------------------------------------------
constexpr int kSettingsTabs = 40;
constexpr int kContentDirField = 41;
constexpr int kLwsnPathField = 42;
constexpr int kLocateLwsnButton = 45;
constexpr int kLoadLastProjectCheck = 47;
constexpr int kSettingsOkButton = 50;
constexpr int kSettingsCancelButton = 51;
constexpr int kTimeoutCombo = 90;

// ---- the scene settings window ----------------------------------------------
constexpr int kFrameSizeField = 58;
constexpr int kFrameScaleCombo = 62;
constexpr int kAntialiasingCombo = 64;
constexpr int kWireframeOption = 66;
constexpr int kQuickshadeOption = 67;
constexpr int kRealisticOption = 68;
constexpr int kPreset2Option = 74;
constexpr int kPresetNoneOption = 76;
constexpr int kOverwriteSceneButton = 77;
constexpr int kSceneSettingsCancelButton = 79;

// ---- the output filename window and the input requester ---------------------
constexpr int kFilenameField = 82;
constexpr int kFileFormatCombo = 84;
constexpr int kFilenameOkButton = 85;
constexpr int kFilenameCancelButton = 88;
constexpr int kRequesterField = 100;

}  // namespace e2e
