// The settings window (window 38): the renderer and content directory paths
// on one tab, the start-up and behaviour switches and the idle timeout on the
// other. It runs its own event loop until OK (saves the settings file) or
// Cancel (reads the file back over every change).
#pragma once

#include <string>

enum SettingsWindowControl {
  kSettingsWindow = 38,
  kSettingsOkButton = 50,
  kSettingsCancelButton = 51,
  kSettingsTabs = 40,
  kContentDirField = 41,
  kLwsnPathField = 42,
  kLwsnPathLabel = 43,
  kContentDirLabel = 44,
  kLocateLwsnButton = 45,
  kLocateContentDirButton = 46,
  kLoadLastProjectCheck = 47,
  kContinueRenderingCheck = 48,
  kConfirmOverwriteCheck = 49,
  kMouseInactivityCheck = 89,
  kTimeoutCombo = 90,
  // Beside the renderer path's heading: the renderer's version, as recent
  // builds carry it only in their version resource.
  kRendererVersionLabel = 260,
};

// Creates window 38 hidden at 150, 150 with its tabs and controls.
void CreateSettingsWindow(const std::string& title);
// The "Settings..." button: the window opens beside the main window, on top
// of every other window, and closes when its loop ends.
void OpenSettingsWindow();
// Start-up without a known renderer: the main window stays hidden and OK
// stays disabled until lwsn.exe has been located. Cancel sets
// g.quitRequested.
void RunFirstRunSettingsWindow();
// Fills the window from the settings and handles its events until OK or
// Cancel; every other event is taken and dropped meanwhile.
void RunSettingsWindow();
// Shows the settings in the controls.
void FillSettingsWindow();
// The two "Locate" buttons.
void LocateRenderer();
void LocateContentDirectory();
