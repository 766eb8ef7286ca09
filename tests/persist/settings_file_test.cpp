// The program settings file: exact content, reading rules, the round trip,
// and that a failed save never damages the file already there.
#include <string>

#include "core/program_state.h"
#include "persist/settings_file.h"
#include "support/test_support.h"

namespace {

const std::string kIni = "C:\\Tallowbridge\\Tallowbridge.ini";
const std::string kTemp = "C:\\Tallowbridge\\Tallowbridge.ini_temp";


class SettingsFileTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    pf::OpenWindowAt(0, 233, 177, 294, 451, "Tallowbridge v1.1", pf::kWindowHidden);
    pf::PlaceWindow(0, 233, 177);   // the files store the frame's corner
  }
  // Every field set away from its start-up value.
  static void FillEverySetting() {
    Settings& s = g.settings;
    s.rendererPath = "C:\\LightWave 8\\Programs\\lwsn.exe";
    s.contentDirectory = "C:\\LightWave 8\\";
    s.idleTimeout = 25;
    s.loadLastProject = 1;
    s.continueRendering = 1;
    s.confirmOverwrite = 1;
    s.detectMouseInactivity = 1;
    s.lastSavedProject = "C:\\Jobs\\night.tbp";
    s.lastSceneDirectory = "C:\\Scenes\\  trailing  ";
  }
};

TEST_F(SettingsFileTest, DefaultsAreWrittenExactlyWithTheWindowPosition) {
  SaveSettings();
  EXPECT_EQ(ReadWinFile(kIni), kDefaultsAt233x177);
  EXPECT_FALSE(WinFileExists(kTemp));
}

TEST_F(SettingsFileTest, RoundTripKeepsEveryValueAndEveryByte) {
  FillEverySetting();
  pf::PlaceWindow(0, -40, 2000);
  SaveSettings();
  const std::string first = ReadWinFile(kIni);

  ResetProgramState();
  g.settings.projectAutoLoaded = 1;  // no reload here
  LoadSettings();
  const Settings& s = g.settings;
  EXPECT_EQ(s.rendererPath, "C:\\LightWave 8\\Programs\\lwsn.exe");
  EXPECT_EQ(s.contentDirectory, "C:\\LightWave 8\\");
  EXPECT_EQ(s.windowX, -40);
  EXPECT_EQ(s.windowY, 2000);
  EXPECT_EQ(s.idleTimeout, 25);
  EXPECT_EQ(s.loadLastProject, 1);
  EXPECT_EQ(s.continueRendering, 1);
  EXPECT_EQ(s.confirmOverwrite, 1);
  EXPECT_EQ(s.detectMouseInactivity, 1);
  EXPECT_EQ(s.lastSavedProject, "C:\\Jobs\\night.tbp");
  EXPECT_EQ(s.lastSceneDirectory, "C:\\Scenes\\  trailing  ");

  SaveSettings();
  EXPECT_EQ(ReadWinFile(kIni), first);
}

TEST_F(SettingsFileTest, SwitchesAreYesInAnyCaseAndEverythingElseIsNo) {
  WriteWinFile(kIni,
               "[Program Settings]\r\n"
               "load last project upon startup = yes\r\n"
               "Continue rendering upon startup = 1\r\n"
               "Confirm overwrite scene file (if changed) = Y\r\n"
               "Detect mouse inactivity = yEs\r\n");
  LoadSettings();
  EXPECT_EQ(g.settings.loadLastProject, 1);
  EXPECT_EQ(g.settings.continueRendering, 0);
  EXPECT_EQ(g.settings.confirmOverwrite, 0);
  EXPECT_EQ(g.settings.detectMouseInactivity, 1);
  SaveSettings();
  std::string saved = ReadWinFile(kIni);
  EXPECT_NE(saved.find("Load last project upon startup = YES\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Continue rendering upon startup = NO\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, MissingKeysTakeTheirDefaults) {
  g.settings.rendererPath = "C:\\kept\\lwsn.exe";
  g.settings.idleTimeout = 40;
  g.settings.lastSceneDirectory = "C:\\kept\\";
  g.settings.windowX = 999;
  WriteWinFile(kIni, "[Required Settings]\r\n[Program Settings]\r\n");
  g.settings.projectAutoLoaded = 1;
  LoadSettings();
  EXPECT_EQ(g.settings.rendererPath, "C:\\kept\\lwsn.exe");
  EXPECT_EQ(g.settings.idleTimeout, 40);
  EXPECT_EQ(g.settings.lastSceneDirectory, "C:\\kept\\");
  EXPECT_EQ(g.settings.windowX, 150);
  EXPECT_EQ(g.settings.windowY, 150);
  EXPECT_EQ(g.settings.loadLastProject, 1);
  EXPECT_EQ(g.settings.continueRendering, 1);
  EXPECT_EQ(g.settings.confirmOverwrite, 1);
  EXPECT_EQ(g.settings.detectMouseInactivity, 0);
}

TEST_F(SettingsFileTest, OddTimeoutIsKeptAndWrittenBack) {
  WriteWinFile(kIni, "[Program Settings]\nTimeout = 25\nWindowX = 99999999999\n");
  LoadSettings();
  EXPECT_EQ(g.settings.idleTimeout, 25);
  EXPECT_EQ(g.settings.windowX, INT32_MAX);
  SaveSettings();
  EXPECT_NE(ReadWinFile(kIni).find("\r\nTimeout = 25\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, LastSavedProjectFollowsTheCurrentProject) {
  g.settings.lastSavedProject = "C:\\old.tbp";
  SaveSettings();
  EXPECT_NE(ReadWinFile(kIni).find("Last Saved Project = C:\\old.tbp\r\n"), std::string::npos);

  g.currentProjectPath = "C:\\new.tbp";
  SaveSettings();
  EXPECT_NE(ReadWinFile(kIni).find("Last Saved Project = C:\\new.tbp\r\n"), std::string::npos);
  EXPECT_EQ(g.settings.lastSavedProject, "C:\\new.tbp");
}

TEST_F(SettingsFileTest, LastProjectIsReloadedOncePerRun) {
  WriteWinFile(kIni,
               "[Program Settings]\r\nLoad last project upon startup = YES\r\n"
               "Last Saved Project = C:\\Jobs\\a.tbp\r\n");
  LoadSettings();
  EXPECT_EQ(g.settings.projectAutoLoaded, 1);
  EXPECT_EQ(g.currentProjectPath, "C:\\Jobs\\a.tbp");

  g.currentProjectPath = "C:\\Jobs\\other.tbp";
  LoadSettings();
  EXPECT_EQ(g.currentProjectPath, "C:\\Jobs\\other.tbp");
}

// Switched off at start-up, then on in the settings window (OK), then a
// Cancel there reads the file again: the queue is left alone.
TEST_F(SettingsFileTest, NoReloadWhenSwitchedOnAfterStartUp) {
  WriteWinFile(kIni,
               "[Program Settings]\r\nLoad last project upon startup = NO\r\n"
               "Last Saved Project = C:\\Jobs\\a.tbp\r\n");
  LoadSettings();
  EXPECT_EQ(g.currentProjectPath, "");
  g.settings.loadLastProject = 1;
  SaveSettings();
  LoadSettings();
  EXPECT_EQ(g.settings.loadLastProject, 1);
  EXPECT_EQ(g.currentProjectPath, "");
}

TEST_F(SettingsFileTest, MissingOrDamagedFileGivesReadingDefaults) {
  const std::string files[] = {"", std::string("\0\0\0[Program Settings]\nWindowX = 5\n", 34),
                               "\xde\xad\xbe\xef\r\n\r\n[[[[", "[Program Settings]\nWindowX = 12",
                               "[Required Settings]\nLWSN.EXE Location = C:\\trunc"};
  for (const auto& bytes : files) {
    ResetProgramState();
    g.settings.projectAutoLoaded = 1;
    WriteWinFile(kIni, bytes);
    LoadSettings();
    bool truncatedX = bytes == "[Program Settings]\nWindowX = 12";
    EXPECT_EQ(g.settings.windowX, truncatedX ? 12 : 150);
    EXPECT_EQ(g.settings.idleTimeout, 10);
    EXPECT_EQ(g.settings.loadLastProject, 1);
    EXPECT_EQ(g.settings.detectMouseInactivity, 0);
  }
  EXPECT_EQ(g.settings.rendererPath, "C:\\trunc");
}

TEST_F(SettingsFileTest, RelativeNameFollowsTheProgramDirectory) {
  headless::Reset(root_, "C:\\Other Place\\Bin\\");
  ResetProgramState();
  pf::OpenWindowAt(0, 1, 2, 294, 451, "t", pf::kWindowHidden);
  SaveSettings();
  EXPECT_TRUE(WinFileExists("C:\\Other Place\\Bin\\Tallowbridge.ini"));
  EXPECT_FALSE(WinFileExists(kIni));
}

// Every way a save can fail keeps the old file byte for byte and leaves no
// temporary file behind.
TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFile) {
  const std::string old = "[Required Settings]\r\nLWSN.EXE Location = C:\\LW\\lwsn.exe\r\n";
  struct Fault {
    const char* name;
    void (*arm)();
    void (*disarm)();
  };
  const Fault faults[] = {
      {"write fails midway", [] { headless::FailWritesAfter(100); }, [] { headless::FailWritesAfter(-1); }},
      {"disk full at once", [] { headless::FailWritesAfter(0); }, [] { headless::FailWritesAfter(-1); }},
      {"replace fails", [] { headless::FailReplace(true); }, [] { headless::FailReplace(false); }},
      {"file read-only", [] { headless::SetReadOnly(kIni); }, [] { headless::SetReadOnly(kIni, false); }},
      {"file locked", [] { headless::LockPath(kIni); }, [] { headless::LockPath(kIni, false); }},
      {"temp locked", [] { headless::LockPath(kTemp); }, [] { headless::LockPath(kTemp, false); }},
  };
  FillEverySetting();
  for (const auto& fault : faults) {
    WriteWinFile(kIni, old);
    fault.arm();
    SaveSettings();
    fault.disarm();
    EXPECT_EQ(ReadWinFile(kIni), old) << fault.name;
    EXPECT_FALSE(WinFileExists(kTemp)) << fault.name;
  }
  // Once the fault is gone the next save goes through.
  SaveSettings();
  EXPECT_NE(ReadWinFile(kIni).find("Timeout = 25"), std::string::npos);
}

TEST_F(SettingsFileTest, DirectoryInThePlaceOfTheFileIsLeftAlone) {
  ASSERT_TRUE(pf::MakeDirectory(kIni));
  SaveSettings();
  EXPECT_EQ(pf::QueryFileSize(kIni), -2);
  EXPECT_FALSE(WinFileExists(kTemp));
  LoadSettings();
  EXPECT_EQ(g.settings.windowX, 150);
}

}  // namespace

namespace {

// The [Overnight] group: read with its clamps and defaults, written whole
// and only while a value differs from its default.
TEST_F(SettingsFileTest, TheOvernightGroupIsReadLenientlyAndWrittenOnlyWhenChanged) {
  struct Row {
    const char* what;
    const char* group;   // appended to the defaults' file
    OvernightSettings expected;
  };
  auto with = [](auto change) {
    OvernightSettings o;
    change(o);
    return o;
  };
  const Row rows[] = {
      {"no group", "", {}},
      {"the group without keys", "[Overnight]\r\n", {}},
      {"every value set",
       "[Overnight]\r\nWhen a scene fails = next\r\nRetries = 2\r\nFrame timeout = 30\r\nCheck last frame = NO\r\n"
       "When the queue is done = Shutdown \r\nStart at = 7:05\r\n",
       with([](OvernightSettings& o) {
         o.whenSceneFails = WhenSceneFails::kNext;
         o.retries = 2;
         o.frameTimeoutMinutes = 30;
         o.checkLastFrame = false;
         o.whenQueueDone = WhenQueueDone::kShutdown;
         o.startAt = "07:05";
       })},
      {"out of range and not numbers",
       "[Overnight]\r\nRetries = 99\r\nFrame timeout = 5000\r\nWhen a scene fails = SKIP\r\nStart at = 25:99\r\n",
       with([](OvernightSettings& o) {
         o.retries = 3;
         o.frameTimeoutMinutes = 1440;
       })},
      {"below range, words unknown", "[Overnight]\r\nRetries = -1\r\nFrame timeout = abc\r\nWhen the queue is done = REBOOT\r\nStart at = 22\r\n", {}},
      {"the group twice: the first counts",
       "[Overnight]\r\nRetries = 1\r\n[Overnight]\r\nRetries = 3\r\nStart at = 22:00\r\n",
       with([](OvernightSettings& o) { o.retries = 1; })},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteWinFile(kIni, kDefaultsAt233x177 + row.group);
    g.settings.overnight.retries = 2;   // whatever was read before
    LoadSettings();
    EXPECT_TRUE(g.settings.overnight == row.expected);
    SaveSettings();
    if (row.expected == OvernightSettings{}) {
      EXPECT_EQ(ReadWinFile(kIni), kDefaultsAt233x177);
      continue;
    }
    LoadSettings();
    EXPECT_TRUE(g.settings.overnight == row.expected) << "read back";
  }
  g.settings.overnight = {};
  g.settings.overnight.whenSceneFails = WhenSceneFails::kNext;
  SaveSettings();
  EXPECT_EQ(ReadWinFile(kIni), kDefaultsAt233x177 +
                                   "[Overnight]\r\nWhen a scene fails = NEXT\r\nRetries = 0\r\nFrame timeout = 0\r\n"
                                   "Check last frame = YES\r\nWhen the queue is done = NOTHING\r\nStart at = \r\n");
}

}  // namespace

namespace {

// The [Farm] group: frames per task clamped, text that is no number the
// default, written whole after [Overnight] only while it differs.
TEST_F(SettingsFileTest, TheFarmGroupIsReadWithItsLimitsAndWrittenOnlyWhenChanged) {
  const std::pair<const char*, int> rows[] = {
      {"", 10}, {"Frames per task = 0\r\n", 1}, {"Frames per task = abc\r\n", 10},
      {"Frames per task = 200000\r\n", 100000}, {"Frames per task = 25\r\n", 25}, {"Frames per task = -3\r\n", 1},
  };
  for (const auto& [line, frames] : rows) {
    SCOPED_TRACE(line);
    WriteWinFile(kIni, kDefaultsAt233x177 + "[Farm]\r\nEngine = DEADLINE\r\n" + line);
    LoadSettings();
    EXPECT_EQ(g.settings.farm.framesPerTask, frames);
    EXPECT_TRUE(g.settings.farm.engine == FarmEngine::kSlurm);
  }
  g.settings.farm = {};
  SaveSettings();
  EXPECT_EQ(ReadWinFile(kIni), kDefaultsAt233x177);
  g.settings.overnight.retries = 1;
  g.settings.farm.inQueueOrder = true;
  g.settings.farm.shareHere = "P:\\";
  g.settings.farm.shareOnCluster = "/mnt/projects/";
  SaveSettings();
  EXPECT_EQ(ReadWinFile(kIni), kDefaultsAt233x177 +
                                   "[Overnight]\r\nWhen a scene fails = STOP\r\nRetries = 1\r\nFrame timeout = 0\r\n"
                                   "Check last frame = YES\r\nWhen the queue is done = NOTHING\r\nStart at = \r\n"
                                   "[Farm]\r\nEngine = SLURM\r\nFrames per task = 10\r\nNode renderer = \r\n"
                                   "Partition = \r\nIn queue order = YES\r\nShare on this computer = P:\\\r\n"
                                   "Share on the cluster = /mnt/projects/\r\n");
  LoadSettings();
  EXPECT_TRUE(g.settings.farm.inQueueOrder);
  EXPECT_EQ(g.settings.farm.shareHere, "P:\\");
}

}  // namespace
