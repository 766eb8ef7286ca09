// The output filename window (window 80): the file name prefix and image
// format of the current scene's rendered frames. OK writes both into the
// scene and switches its image saving on. It runs its own event loop until
// it closes; every other event meanwhile is dropped.
#pragma once

enum OutputFilenameControl {
  kOutputFilenameWindow = 80,
  kFilenamePromptLabel = 81,
  kFilenameField = 82,
  kFileFormatLabel = 83,
  kFileFormatCombo = 84,
  kFilenameOkButton = 85,
  kFilenameCancelButton = 88,
};

// The main window's "Output Filename:" button, once the caller has asked
// the overwrite question: runs the window until OK or Cancel and brings the
// main window to the front. The caller refreshes the main window.
void OpenOutputFilenameWindow();
