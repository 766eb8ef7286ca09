#include "persist/settings_file.h"

#include "core/program_state.h"
#include "core/text.h"
#include "persist/farm_settings.h"
#include "persist/overnight_settings.h"
#include "core/unattended.h"
#include "persist/preference_file.h"
#include "persist/project_file.h"
#include "platform/platform.h"

namespace {

constexpr const char* kRequiredGroup = "Required Settings";
constexpr const char* kProgramGroup = "Program Settings";
constexpr const char* kRendererKey = "LWSN.EXE Location";
constexpr const char* kContentKey = "Content Directory";
constexpr const char* kWindowXKey = "WindowX";
constexpr const char* kWindowYKey = "WindowY";
constexpr const char* kTimeoutKey = "Timeout";
constexpr const char* kLoadLastKey = "Load last project upon startup";
constexpr const char* kContinueKey = "Continue rendering upon startup";
constexpr const char* kConfirmKey = "Confirm overwrite scene file (if changed)";
constexpr const char* kMouseKey = "Detect mouse inactivity";
constexpr const char* kLastProjectKey = "Last Saved Project";
constexpr const char* kLastSceneDirKey = "Last Scene Directory";

constexpr int kDefaultWindowPosition = 150;

// A switch is on only when its text reads YES in any letter case.
int ReadSwitch(const char* key, const char* fallback) {
  return ToUpperAscii(PreferenceFile::ReadString(key, fallback)) == "YES" ? 1 : 0;
}

void WriteSwitch(const char* key, int on) { PreferenceFile::WriteString(key, on ? "YES" : "NO"); }

void WriteSettingsLines() {
  Settings& s = g.settings;
  PreferenceFile::SelectGroup(kRequiredGroup);
  PreferenceFile::WriteString(kRendererKey, s.rendererPath);
  PreferenceFile::WriteString(kContentKey, s.contentDirectory);
  PreferenceFile::WriteComment("");

  PreferenceFile::SelectGroup(kProgramGroup);
  // The position stored is the main window's at this moment.
  int x = pf::WindowExists(0) ? pf::WindowX(0) : s.windowX;
  int y = pf::WindowExists(0) ? pf::WindowY(0) : s.windowY;
  PreferenceFile::WriteNumber(kWindowXKey, x);
  PreferenceFile::WriteNumber(kWindowYKey, y);
  PreferenceFile::WriteNumber(kTimeoutKey, s.idleTimeout);
  WriteSwitch(kLoadLastKey, s.loadLastProject);
  WriteSwitch(kContinueKey, s.continueRendering);
  WriteSwitch(kConfirmKey, s.confirmOverwrite);
  WriteSwitch(kMouseKey, s.detectMouseInactivity);
  if (!g.currentProjectPath.empty()) s.lastSavedProject = g.currentProjectPath;
  PreferenceFile::WriteString(kLastProjectKey, s.lastSavedProject);
  PreferenceFile::WriteString(kLastSceneDirKey, s.lastSceneDirectory);
  // Additions follow the described groups, each only when it is not at
  // its defaults.
  WriteOvernightGroup(s.overnight);
  WriteFarmGroup(s.farm);
}

}  // namespace

void LoadSettings() {
  Settings& s = g.settings;
  PreferenceFile::OpenForReading(g.settingsFileName);

  PreferenceFile::SelectGroup(kRequiredGroup);
  s.rendererPath = PreferenceFile::ReadString(kRendererKey, s.rendererPath);
  s.contentDirectory = PreferenceFile::ReadString(kContentKey, s.contentDirectory);

  PreferenceFile::SelectGroup(kProgramGroup);
  s.windowX = PreferenceFile::ReadNumber(kWindowXKey, kDefaultWindowPosition);
  s.windowY = PreferenceFile::ReadNumber(kWindowYKey, kDefaultWindowPosition);
  s.idleTimeout = PreferenceFile::ReadNumber(kTimeoutKey, s.idleTimeout);
  // A file without the switches (hand-written or from elsewhere) turns the
  // first three on.
  s.loadLastProject = ReadSwitch(kLoadLastKey, "YES");
  s.continueRendering = ReadSwitch(kContinueKey, "YES");
  s.confirmOverwrite = ReadSwitch(kConfirmKey, "YES");
  s.detectMouseInactivity = ReadSwitch(kMouseKey, "NO");
  s.lastSavedProject = PreferenceFile::ReadString(kLastProjectKey, s.lastSavedProject);
  s.lastSceneDirectory = PreferenceFile::ReadString(kLastSceneDirKey, s.lastSceneDirectory);
  s.overnight = ReadOvernightGroup();
  s.farm = ReadFarmGroup();
  PreferenceFile::Close();

  // The last project is reloaded only by the first reading, at start-up: a
  // later reading (Cancel in the settings window) leaves the queue alone,
  // even when the switch was turned on in between.
  const bool firstReading = !s.projectAutoLoaded;
  s.projectAutoLoaded = 1;
  if (s.loadLastProject && firstReading) {
    // A queue continued at start-up under NEXT is unattended from here on:
    // nothing its project's loading finds waits for a click.
    SetContinuingAtStartUp(s.continueRendering != 0);
    g.currentProjectPath = s.lastSavedProject;
    LoadProject();
  }
}

void SaveSettings() {
  // Written beside the old file first, so that a file that cannot be written
  // completely never replaces a good one.
  const std::string temp = g.settingsFileName + "_temp";
  if (!PreferenceFile::CreateForWriting(temp)) return;
  WriteSettingsLines();
  bool written = PreferenceFile::Close();
  if (!written || !pf::MovePathOver(temp, g.settingsFileName)) pf::DeletePath(temp);
}
