// The main window: window 0, its controls and its two widths.
#pragma once

#include <string>

constexpr int kMainWindow = 0;

enum MainControl {
  kQueueFrame = 1,
  kAddSceneButton = 2,
  kEditSceneButton = 3,
  kClearScenesButton = 4,
  kViewSceneButton = 5,
  kMoveUpButton = 6,
  kMoveDownButton = 7,
  kQueueList = 8,
  kParentDirViewCheck = 9,
  kSceneFileOnlyCheck = 10,
  kHighPriorityCheck = 11,
  kProgressFrame = 12,
  kFirstFrameField = 13,
  kLastFrameField = 14,
  kFrameStepField = 15,
  kOutputDirButton = 16,
  kOutputDirField = 17,
  kOutputFilenameButton = 18,
  kOutputFilenameField = 19,
  kStartQueueButton = 20,
  kPercentDoneText = 21,
  kStatusText = 22,
  kFramesRenderedLabel = 23,
  kFramesRenderedText = 24,
  kMainSettingsFrame = 25,
  kLoadProjectButton = 26,
  kSaveProjectButton = 27,
  kViewOutputDirButton = 28,
  kAboutButton = 29,
  kSettingsButton = 30,
  kProjectLabel = 31,
  kFirstFrameButton = 32,
  kLastFrameButton = 33,
  kFrameStepButton = 34,
  kOutputListingView = 35,
  kStatusLabel = 36,
  kQueueCountText = 37,
  kDeleteFramesButton = 86,
  kViewImageButton = 87,
  kConsoleViewCheck = 92,
  kLogView = 95,
  kLogLabel = 96,
  kRefreshLogButton = 97,
};

constexpr int kNarrowWidth = 294;
constexpr int kWideWidth = 600;
constexpr int kMainHeight = 451;

// Creates window 0 hidden at 150, 150 with every control, in tab order.
bool CreateMainWindow(const std::string& title);
// The controls that start disabled.
void DisableStartupControls();
// Sets the inner size, the view-open flag and the caption of the view button.
void SetMainWindowWide(bool wide);
// Shows the main window in front of all others without keeping it there.
void BringMainWindowToFront();
// Asks for the current scene's output folder, starting at its present one
// (or C:\). Returns true when the user chose one; a cancel keeps the
// directory (and reports it when there is none yet).
bool ChooseOutputDirectory();
