#include "ui/settings_window.h"

#include <array>

#include "core/program_state.h"
#include "core/text.h"
#include "persist/settings_file.h"
#include "platform/platform.h"
#include "ui/nested_loop.h"
#include "render/build_detection.h"

namespace {

constexpr int kMainWindow = 0;
// Shown in an empty path field; never a path itself.
constexpr const char* kRequiredText = "Required...";
constexpr std::array<int, 7> kTimeoutChoices = {5, 10, 20, 30, 40, 50, 60};

using pf::ControlKind;

// Tab pages of SettingsTabs.
constexpr int kRequiredPage = 0;
constexpr int kUserPage = 1;

pf::ControlSpec OnPage(pf::ControlSpec layout, int page) {
  layout.tabPanel = kSettingsTabs;
  layout.tabIndex = page;
  return layout;
}

void CreateControls() {
  const pf::ControlSpec windowControls[] = {
      {kSettingsOkButton, ControlKind::Button, 5, 135, 120, 20, "OK (save settings)", nullptr, pf::kFontBold},
      {kSettingsCancelButton, ControlKind::Button, 132, 135, 56, 20, "Cancel", nullptr, pf::kFontSystem},
      {kSettingsTabs, ControlKind::TabPanel, 5, 7, 285, 123, "", nullptr, pf::kFontSystem},
  };
  for (const auto& layout : windowControls) pf::CreateControl(kSettingsWindow, layout);
  pf::AddTab(kSettingsTabs, "Required Settings");
  pf::AddTab(kSettingsTabs, "User Settings");

  const pf::ControlSpec requiredPage[] = {
      {kContentDirField, ControlKind::EditField, 5, 72, 219, 20, kRequiredText, nullptr, pf::kFontSystem},
      {kLwsnPathField, ControlKind::EditField, 5, 25, 219, 20, kRequiredText, nullptr, pf::kFontSystem},
      {kLwsnPathLabel, ControlKind::Label, 5, 5, 155, 20, "'lwsn.exe' Location:", nullptr, pf::kFontHeading},
      {kContentDirLabel, ControlKind::Label, 5, 52, 185, 20, "Global Content Directory:", nullptr, pf::kFontHeading},
      {kLocateLwsnButton, ControlKind::Button, 228, 25, 48, 20, "Locate", nullptr, pf::kFontSystem},
      {kLocateContentDirButton, ControlKind::Button, 228, 71, 48, 20, "Locate", nullptr, pf::kFontSystem},
  };
  for (const auto& layout : requiredPage) pf::CreateControl(kSettingsWindow, OnPage(layout, kRequiredPage));

  const pf::ControlSpec userPage[] = {
      {kLoadLastProjectCheck, ControlKind::CheckBox, 6, 3, 250, 25, " Load last project upon startup?", nullptr,
       pf::kFontRegular},
      {kContinueRenderingCheck, ControlKind::CheckBox, 6, 26, 250, 25, " Continue rendering upon startup?", nullptr,
       pf::kFontRegular},
      {kConfirmOverwriteCheck, ControlKind::CheckBox, 6, 49, 250, 25, " Confirm overwrite scene, if changed?",
       nullptr, pf::kFontRegular},
      {kMouseInactivityCheck, ControlKind::CheckBox, 6, 72, 220, 25,
       " Scan mouse inactivity?  -  Timeout (mins):", nullptr, pf::kFontSystem},
      {kTimeoutCombo, ControlKind::DropDownList, 230, 74, 40, 28, "", nullptr, pf::kFontRegular},
  };
  for (const auto& layout : userPage) pf::CreateControl(kSettingsWindow, OnPage(layout, kUserPage));
  // Created last, so the described controls keep their order.
  pf::CreateControl(kSettingsWindow, OnPage({kRendererVersionLabel, ControlKind::LabelRight, 160, 5, 116, 20, "",
                                             nullptr, pf::kFontRegular},
                                            kRequiredPage));
  for (int minutes : kTimeoutChoices) pf::AddControlItem(kTimeoutCombo, std::to_string(minutes));
}

// The text of a path field as a setting: the placeholder means no path.
std::string PathFromField(int field) {
  std::string text = pf::ControlText(field);
  return text == kRequiredText ? std::string() : text;
}

int TimeoutPosition(int minutes) {
  if (minutes == 0) return 0;  // an invalid 0 shows as the shortest choice
  for (std::size_t i = 0; i < kTimeoutChoices.size(); ++i)
    if (kTimeoutChoices[i] == minutes) return static_cast<int>(i);
  return -1;
}

void ToggleLoadLastProject() {
  Settings& s = g.settings;
  s.loadLastProject = !s.loadLastProject;
  // Continuing needs the reload, so it starts off whenever the reload changes.
  s.continueRendering = 0;
  pf::SetControlState(kLoadLastProjectCheck, s.loadLastProject);
  pf::SetControlState(kContinueRenderingCheck, 0);
  pf::SetControlEnabled(kContinueRenderingCheck, s.loadLastProject != 0);
}

void ToggleContinueRendering() {
  Settings& s = g.settings;
  s.continueRendering = !s.continueRendering;
  pf::SetControlState(kContinueRenderingCheck, s.continueRendering);
  if (s.continueRendering) pf::SetControlEnabled(kContinueRenderingCheck, true);
}

void ToggleConfirmOverwrite() {
  g.settings.confirmOverwrite = !g.settings.confirmOverwrite;
  pf::SetControlState(kConfirmOverwriteCheck, g.settings.confirmOverwrite);
}

// The idle trigger reads the flag at every tick, so the change takes effect
// at once.
void ToggleMouseInactivity() {
  Settings& s = g.settings;
  s.detectMouseInactivity = !s.detectMouseInactivity;
  pf::SetControlState(kMouseInactivityCheck, s.detectMouseInactivity);
  pf::SetControlEnabled(kTimeoutCombo, s.detectMouseInactivity != 0);
}

void PickTimeout() {
  int position = pf::ControlState(kTimeoutCombo);
  if (position >= 0 && position < static_cast<int>(kTimeoutChoices.size()))
    g.settings.idleTimeout = kTimeoutChoices[static_cast<std::size_t>(position)];
}

// Handles one control event of the window; false when the window is done.
bool HandleControl(int control) {
  switch (control) {
    case kSettingsCancelButton: {
      const std::string pathInWindow = g.settings.rendererPath;
      LoadSettings();  // throws away every change made in the window
      // The log option and RefreshLogButton belong to the renderer that
      // will run, not to one picked by Locate and then discarded.
      if (g.settings.rendererPath != pathInWindow && !g.settings.rendererPath.empty()) DetectRendererBuild();
      g.quitRequested = 1;
      return false;
    }
    case kSettingsOkButton:
      // Until lwsn.exe is located on the first run, OK is not usable.
      if (!pf::IsControlEnabled(kSettingsOkButton)) return true;
      SaveSettings();
      return false;
    case kContentDirField: g.settings.contentDirectory = PathFromField(kContentDirField); break;
    case kLwsnPathField: g.settings.rendererPath = PathFromField(kLwsnPathField); break;
    case kLocateLwsnButton:
      LocateRenderer();
      FillSettingsWindow();
      break;
    case kLocateContentDirButton:
      LocateContentDirectory();
      FillSettingsWindow();
      break;
    case kLoadLastProjectCheck: ToggleLoadLastProject(); break;
    case kContinueRenderingCheck: ToggleContinueRendering(); break;
    case kConfirmOverwriteCheck: ToggleConfirmOverwrite(); break;
    case kMouseInactivityCheck: ToggleMouseInactivity(); break;
    case kTimeoutCombo: PickTimeout(); break;
    default: break;  // other windows' controls wait until the window closes
  }
  return true;
}

}  // namespace

void CreateSettingsWindow(const std::string& title) {
  pf::OpenWindowAt(kSettingsWindow, 150, 150, 295, 162, title, pf::kWindowTitleOnly | pf::kWindowHidden);
  CreateControls();
}

void OpenSettingsWindow() {
  int x = pf::WindowX(kMainWindow);
  int y = pf::WindowY(kMainWindow);
  CreateSettingsWindow(g.settingsWindowTitle);
  pf::PlaceWindow(kSettingsWindow, x + 20, y + 20);
  pf::SetWindowVisible(kSettingsWindow, true);
  pf::SetWindowTopmost(kSettingsWindow, true);
  RunSettingsWindow();
  pf::CloseWindowNumber(kSettingsWindow);
}

void RunFirstRunSettingsWindow() {
  CreateSettingsWindow(g.settingsWindowTitle);
  pf::PlaceWindow(kSettingsWindow, g.settings.windowX, g.settings.windowY);
  pf::SetWindowVisible(kMainWindow, false);
  pf::SetWindowVisible(kSettingsWindow, true);
  pf::ActivateWindowNumber(kSettingsWindow);
  pf::SetControlEnabled(kSettingsOkButton, false);
  RunSettingsWindow();
  pf::CloseWindowNumber(kSettingsWindow);
}

void FillSettingsWindow() {
  Settings& s = g.settings;
  pf::SetControlText(kLwsnPathField, s.rendererPath.empty() ? kRequiredText : s.rendererPath);
  pf::SetControlText(kContentDirField, s.contentDirectory.empty() ? kRequiredText : s.contentDirectory);
  pf::SetControlText(kRendererVersionLabel, RendererVersionText());

  if (s.continueRendering) s.loadLastProject = 1;  // continuing requires loading
  pf::SetControlState(kLoadLastProjectCheck, s.loadLastProject);
  pf::SetControlState(kContinueRenderingCheck, s.loadLastProject ? s.continueRendering : 0);
  pf::SetControlEnabled(kContinueRenderingCheck, s.loadLastProject != 0);
  pf::SetControlState(kConfirmOverwriteCheck, s.confirmOverwrite);
  pf::SetControlState(kMouseInactivityCheck, s.detectMouseInactivity);
  pf::SetControlEnabled(kTimeoutCombo, s.detectMouseInactivity != 0);

  int position = TimeoutPosition(s.idleTimeout);
  if (position >= 0) pf::SetControlState(kTimeoutCombo, position);
}

void RunSettingsWindow() {
  FillSettingsWindow();
  RunNestedLoop(HandleControl);
  pf::Pause(10);
  pf::ActivateWindowNumber(kMainWindow);
}

void LocateRenderer() {
  Settings& s = g.settings;
  std::string chosen = pf::RequestOpenFile("Locate 'lwsn.exe'...", s.contentDirectory,
                                           "Executable File(s) (*.exe)|*.EXE", 0);
  if (chosen.empty() && s.rendererPath.empty()) {
    pf::ShowMessage("Error!", "Nothing was selected, please choose 'lwsn.exe'", pf::kBoxError);
    return;
  }
  bool isRenderer = ToLowerAscii(FilePart(chosen)) == "lwsn.exe";
  if (!isRenderer && s.rendererPath.empty()) {
    pf::ShowMessage("Error!", "'lwsn.exe' was not selected, please locate 'lwsn.exe'", pf::kBoxError);
    return;
  }
  if (isRenderer) {
    // lwsn.exe lives in LightWave's "Programs\" folder: the content directory
    // defaults to the folder above it.
    std::string directory = DirectoryPart(chosen);
    s.contentDirectory = directory.size() > 9 ? directory.substr(0, directory.size() - 9) : std::string();
    pf::ShowMessage("Information",
                    "Content Directory automatically default set to Lightwave, please relocate if not correct!",
                    pf::kBoxInfo);
  }
  if (chosen.size() > 2) s.rendererPath = chosen;
  DetectRendererBuild();
  pf::SetControlEnabled(kSettingsOkButton, true);
}

void LocateContentDirectory() {
  std::string chosen = pf::RequestPath("Locate your Content Directory...", g.settings.contentDirectory);
  if (chosen.empty() && g.settings.contentDirectory.empty()) {
    pf::ShowMessage("Error!", "Nothing was selected, please choose path!", pf::kBoxError);
    return;
  }
  if (chosen.size() > 2) g.settings.contentDirectory = chosen;
}
