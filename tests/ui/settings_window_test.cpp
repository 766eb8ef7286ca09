// The settings window: its layout, how it shows the settings, its own event
// loop, the Locate buttons, OK and Cancel, and the first-run path.
#include <string>
#include <vector>

#include "core/program_state.h"
#include "persist/settings_file.h"
#include "support/test_support.h"
#include "ui/settings_window.h"

namespace {

using headless::Control;
using headless::Messages;
using headless::PushGadget;

const std::string kIni = "C:\\Tallowbridge\\Tallowbridge.ini";
const std::string kRenderer = "C:\\LW\\Programs\\lwsn.exe";
constexpr int kRefreshLogButton = 97;
constexpr int kStartButton = 20;

std::string NewBuildRenderer() {
  std::string version = "$VER: LWSN";
  version.resize(46, ' ');
  return std::string("MZ\0\0", 4) + version + "690 (Win32)" + std::string("\0", 1);
}

bool FileHas(const std::string& path, const std::string& line) {
  return ReadWinFile(path).find(line) != std::string::npos;
}

class SettingsWindowTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    pf::OpenWindowAt(0, 300, 200, 294, 451, g.programTitle, pf::kWindowSystemMenu);
    pf::CreateControl(0, {kRefreshLogButton, pf::ControlKind::Button, 508, 424, 87, 22, "Refresh Log", "",
                          pf::kFontRegular});
    pf::CreateControl(0, {kStartButton, pf::ControlKind::Button, 194, 100, 89, 22, "Start Queue!", "",
                          pf::kFontBold});
  }
  // Creates the window shown, as the program opens it for the user.
  static void CreateShown() {
    CreateSettingsWindow(g.settingsWindowTitle);
    pf::SetWindowVisible(kSettingsWindow, true);
  }
  // Creates the window and runs its loop over the events pushed so far.
  static void Run() {
    CreateShown();
    RunSettingsWindow();
  }
  static std::string Text(int control) { return Control(control)->text; }
};

TEST_F(SettingsWindowTest, LayoutOfWindowAndControls) {
  CreateSettingsWindow("Settings - Tallowbridge v1.1");
  EXPECT_EQ(pf::WindowTitle(kSettingsWindow), "Settings - Tallowbridge v1.1");
  EXPECT_FALSE(pf::IsWindowVisible(kSettingsWindow));
  EXPECT_EQ(pf::WindowInnerX(kSettingsWindow), 150);
  EXPECT_EQ(pf::WindowInnerY(kSettingsWindow), 150);
  EXPECT_EQ(pf::WindowInnerWidth(kSettingsWindow), 295);
  EXPECT_EQ(pf::WindowInnerHeight(kSettingsWindow), 162);

  struct Expected {
    int id;
    pf::ControlKind kind;
    int x, y, w, h;
    const char* text;
    pf::FontId font;
    int page;  // -1: on the window itself
  };
  using K = pf::ControlKind;
  const std::vector<Expected> expected = {
      {50, K::Button, 5, 135, 120, 20, "OK (save settings)", pf::kFontBold, -1},
      {51, K::Button, 132, 135, 56, 20, "Cancel", pf::kFontSystem, -1},
      {40, K::TabPanel, 5, 7, 285, 123, "", pf::kFontSystem, -1},
      {41, K::EditField, 5, 72, 219, 20, "Required...", pf::kFontSystem, 0},
      {42, K::EditField, 5, 25, 219, 20, "Required...", pf::kFontSystem, 0},
      {43, K::Label, 5, 5, 155, 20, "'lwsn.exe' Location:", pf::kFontHeading, 0},
      {44, K::Label, 5, 52, 185, 20, "Global Content Directory:", pf::kFontHeading, 0},
      {45, K::Button, 228, 25, 48, 20, "Locate", pf::kFontSystem, 0},
      {46, K::Button, 228, 71, 48, 20, "Locate", pf::kFontSystem, 0},
      {47, K::CheckBox, 6, 3, 250, 25, " Load last project upon startup?", pf::kFontRegular, 1},
      {48, K::CheckBox, 6, 26, 250, 25, " Continue rendering upon startup?", pf::kFontRegular, 1},
      {49, K::CheckBox, 6, 49, 250, 25, " Confirm overwrite scene, if changed?", pf::kFontRegular, 1},
      {89, K::CheckBox, 6, 72, 220, 25, " Scan mouse inactivity?  -  Timeout (mins):", pf::kFontSystem, 1},
      {90, K::DropDownList, 230, 74, 40, 28, "", pf::kFontRegular, 1},
      {260, K::LabelRight, 160, 5, 116, 20, "", pf::kFontRegular, 0},   // the renderer's version
  };
  std::vector<int> order;
  for (const auto& e : expected) order.push_back(e.id);
  EXPECT_EQ(headless::ControlsOf(kSettingsWindow), order);
  for (const auto& e : expected) {
    const auto* c = Control(e.id);
    ASSERT_NE(c, nullptr) << e.id;
    EXPECT_EQ(c->kind, e.kind) << e.id;
    EXPECT_EQ(std::vector<int>({c->x, c->y, c->width, c->height}), std::vector<int>({e.x, e.y, e.w, e.h})) << e.id;
    EXPECT_EQ(c->text, e.text) << e.id;
    EXPECT_EQ(c->font, e.font) << e.id;
    EXPECT_EQ(c->tabPanel, e.page < 0 ? -1 : kSettingsTabs) << e.id;
    if (e.page >= 0) {
      EXPECT_EQ(c->tabIndex, e.page) << e.id;
    }
  }
  EXPECT_EQ(Control(kSettingsTabs)->items, std::vector<std::string>({"Required Settings", "User Settings"}));
  EXPECT_EQ(Control(kTimeoutCombo)->items, std::vector<std::string>({"5", "10", "20", "30", "40", "50", "60"}));
}

TEST_F(SettingsWindowTest, FillShowsTheSettings) {
  CreateShown();
  g.settings.idleTimeout = 30;
  FillSettingsWindow();
  EXPECT_EQ(Text(kLwsnPathField), "Required...");
  EXPECT_EQ(Text(kContentDirField), "Required...");
  EXPECT_EQ(Control(kLoadLastProjectCheck)->state, 0);
  EXPECT_FALSE(Control(kContinueRenderingCheck)->enabled);
  EXPECT_FALSE(Control(kTimeoutCombo)->enabled);
  EXPECT_EQ(Control(kTimeoutCombo)->state, 3);

  g.settings.rendererPath = kRenderer;
  g.settings.contentDirectory = "C:\\LW\\";
  g.settings.continueRendering = 1;  // continuing turns loading on as well
  g.settings.confirmOverwrite = 1;
  g.settings.detectMouseInactivity = 1;
  g.settings.idleTimeout = 0;
  FillSettingsWindow();
  EXPECT_EQ(Text(kLwsnPathField), kRenderer);
  EXPECT_EQ(Text(kContentDirField), "C:\\LW\\");
  EXPECT_EQ(g.settings.loadLastProject, 1);
  EXPECT_EQ(Control(kLoadLastProjectCheck)->state, 1);
  EXPECT_EQ(Control(kContinueRenderingCheck)->state, 1);
  EXPECT_TRUE(Control(kContinueRenderingCheck)->enabled);
  EXPECT_EQ(Control(kConfirmOverwriteCheck)->state, 1);
  EXPECT_EQ(Control(kMouseInactivityCheck)->state, 1);
  EXPECT_TRUE(Control(kTimeoutCombo)->enabled);
  EXPECT_EQ(Control(kTimeoutCombo)->state, 0);  // 0 shows as the 5-minute choice

  g.settings.idleTimeout = 25;  // no such choice: the selection stays
  FillSettingsWindow();
  EXPECT_EQ(Control(kTimeoutCombo)->state, 0);
}

TEST_F(SettingsWindowTest, OddTimeoutLeavesTheListUnselected) {
  g.settings.idleTimeout = 25;
  Run();
  EXPECT_EQ(Control(kTimeoutCombo)->state, -1);
}

TEST_F(SettingsWindowTest, OtherEventsAreDroppedUntilOk) {
  headless::PushTimer(1, 0);
  headless::PushTray(1);
  headless::PushClose(0);
  headless::PushClose(kSettingsWindow);
  PushGadget(kStartButton);  // a main-window button
  PushGadget(kSettingsOkButton);
  headless::PushTimer(1, 0);
  Run();
  EXPECT_EQ(headless::PendingEvents(), 1);  // the loop ended at OK, not before
  EXPECT_EQ(g.quitRequested, 0);
  EXPECT_TRUE(WinFileExists(kIni));
}

TEST_F(SettingsWindowTest, ChecksAndTimeoutChangeTheSettings) {
  g.settings.loadLastProject = 1;
  g.settings.continueRendering = 1;
  headless::PushListSelect(kSettingsTabs, 1);   // the "User Settings" page
  PushGadget(kLoadLastProjectCheck);  // off: continuing goes off too
  Run();
  EXPECT_EQ(g.settings.loadLastProject, 0);
  EXPECT_EQ(g.settings.continueRendering, 0);
  EXPECT_EQ(Control(kContinueRenderingCheck)->state, 0);
  EXPECT_FALSE(Control(kContinueRenderingCheck)->enabled);

  headless::PushListSelect(kSettingsTabs, 1);
  PushGadget(kLoadLastProjectCheck);
  RunSettingsWindow();
  EXPECT_EQ(g.settings.loadLastProject, 1);
  EXPECT_TRUE(Control(kContinueRenderingCheck)->enabled);
  EXPECT_EQ(Control(kContinueRenderingCheck)->state, 0);

  PushGadget(kContinueRenderingCheck);
  PushGadget(kConfirmOverwriteCheck);
  PushGadget(kMouseInactivityCheck);
  RunSettingsWindow();
  EXPECT_EQ(g.settings.continueRendering, 1);
  EXPECT_EQ(g.settings.confirmOverwrite, 1);
  EXPECT_EQ(g.settings.detectMouseInactivity, 1);
  EXPECT_TRUE(Control(kTimeoutCombo)->enabled);

  PushGadget(kContinueRenderingCheck);
  PushGadget(kConfirmOverwriteCheck);
  PushGadget(kMouseInactivityCheck);
  RunSettingsWindow();
  EXPECT_EQ(g.settings.continueRendering, 0);
  EXPECT_EQ(g.settings.confirmOverwrite, 0);
  EXPECT_EQ(g.settings.detectMouseInactivity, 0);
  EXPECT_FALSE(Control(kTimeoutCombo)->enabled);
}

TEST_F(SettingsWindowTest, OkWritesTheChosenTimeout) {
  g.settings.rendererPath = kRenderer;
  CreateShown();
  headless::OnEventsDrained([] {
    headless::PushListSelect(kSettingsTabs, 1);
    PushGadget(kMouseInactivityCheck);   // the list is usable only with detection on
    headless::PushListSelect(kTimeoutCombo, 3);
    PushGadget(kSettingsOkButton);
    headless::OnEventsDrained(nullptr);
    return true;
  });
  RunSettingsWindow();
  EXPECT_EQ(g.settings.idleTimeout, 30);
  EXPECT_TRUE(FileHas(kIni, "\r\nTimeout = 30\r\n"));
}

TEST_F(SettingsWindowTest, TypedPathsAreTakenButThePlaceholderNever) {
  CreateShown();
  headless::OnEventsDrained([] {
    // Events of the fields while they show the placeholder.
    PushGadget(kLwsnPathField);
    PushGadget(kContentDirField);
    headless::OnEventsDrained([] {
      EXPECT_EQ(g.settings.rendererPath, "");
      EXPECT_EQ(g.settings.contentDirectory, "");
      headless::SetText(kLwsnPathField, "D:\\LW 8\\Programs\\lwsn.exe");
      headless::SetText(kContentDirField, "D:\\LW 8\\");
      PushGadget(kLwsnPathField);
      PushGadget(kContentDirField);
      PushGadget(kSettingsOkButton);
      headless::OnEventsDrained(nullptr);
      return true;
    });
    return true;
  });
  RunSettingsWindow();
  EXPECT_TRUE(FileHas(kIni, "LWSN.EXE Location = D:\\LW 8\\Programs\\lwsn.exe\r\n"));
  EXPECT_TRUE(FileHas(kIni, "Content Directory = D:\\LW 8\\\r\n"));

  // Typing the placeholder itself clears the path.
  headless::OnEventsDrained([] {
    headless::SetText(kLwsnPathField, "Required...");
    PushGadget(kLwsnPathField);
    PushGadget(kSettingsOkButton);
    headless::OnEventsDrained(nullptr);
    return true;
  });
  RunSettingsWindow();
  EXPECT_TRUE(FileHas(kIni, "LWSN.EXE Location = \r\n"));
  EXPECT_FALSE(FileHas(kIni, "Required..."));
}

TEST_F(SettingsWindowTest, CancelRestoresTheFileWithoutReloadingTheProject) {
  WriteWinFile(kIni,
               "[Required Settings]\r\nLWSN.EXE Location = C:\\LW\\Programs\\lwsn.exe\r\n"
               "[Program Settings]\r\nTimeout = 20\r\nLoad last project upon startup = YES\r\n"
               "Last Saved Project = C:\\p.tbp\r\n");
  LoadSettings();
  g.currentProjectPath = "C:\\current.tbp";
  const std::string before = ReadWinFile(kIni);
  CreateShown();
  headless::OnEventsDrained([] {
    headless::SetText(kLwsnPathField, "C:\\elsewhere\\lwsn.exe");
    PushGadget(kLwsnPathField);
    headless::PushListSelect(kSettingsTabs, 1);
    PushGadget(kMouseInactivityCheck);
    headless::PushListSelect(kTimeoutCombo, 6);
    PushGadget(kConfirmOverwriteCheck);
    PushGadget(kSettingsCancelButton);
    headless::OnEventsDrained(nullptr);
    return true;
  });
  RunSettingsWindow();
  EXPECT_EQ(g.quitRequested, 1);
  EXPECT_EQ(g.settings.rendererPath, kRenderer);
  EXPECT_EQ(g.settings.idleTimeout, 20);
  EXPECT_EQ(g.settings.confirmOverwrite, 1);  // missing from the file: YES
  EXPECT_EQ(g.currentProjectPath, "C:\\current.tbp");
  EXPECT_EQ(ReadWinFile(kIni), before);
}

TEST_F(SettingsWindowTest, LocatingLwsnSetsPathContentDirectoryAndBuild) {
  WriteWinFile(kRenderer, NewBuildRenderer());
  g.settings.contentDirectory = "C:\\Start\\";
  CreateShown();
  pf::SetControlEnabled(kSettingsOkButton, false);
  headless::QueueFileAnswer(kRenderer);
  PushGadget(kLocateLwsnButton);
  RunSettingsWindow();

  ASSERT_EQ(headless::Requesters().size(), 1u);
  EXPECT_EQ(headless::Requesters()[0].kind, "open");
  EXPECT_EQ(headless::Requesters()[0].title, "Locate 'lwsn.exe'...");
  EXPECT_EQ(headless::Requesters()[0].start, "C:\\Start\\");
  EXPECT_EQ(headless::Requesters()[0].filter, "Executable File(s) (*.exe)|*.EXE");
  EXPECT_EQ(g.settings.rendererPath, kRenderer);
  EXPECT_EQ(g.settings.contentDirectory, "C:\\LW\\");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].title, "Information");
  EXPECT_EQ(Messages()[0].text,
            "Content Directory automatically default set to Lightwave, please relocate if not correct!");
  EXPECT_EQ(Messages()[0].style, pf::kBoxInfo);
  EXPECT_EQ(g.logCapableBuild, 1);
  EXPECT_TRUE(Control(kRefreshLogButton)->visible);
  EXPECT_TRUE(Control(kSettingsOkButton)->enabled);
  EXPECT_EQ(Text(kLwsnPathField), kRenderer);
  EXPECT_EQ(Text(kContentDirField), "C:\\LW\\");
}

TEST_F(SettingsWindowTest, RendererNameIsTestedWithoutCase) {
  WriteWinFile("C:\\Tools\\LWSN.EXE", NewBuildRenderer());
  g.settings.contentDirectory = "C:\\keep\\";
  CreateShown();
  headless::QueueFileAnswer("C:\\Tools\\LWSN.EXE");
  LocateRenderer();
  EXPECT_EQ(g.settings.rendererPath, "C:\\Tools\\LWSN.EXE");
  EXPECT_EQ(g.settings.contentDirectory, "");  // "C:\Tools\" has only 9 characters
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(SettingsWindowTest, LocateRefusesNothingOrAnotherFileWhileNoRendererIsKnown) {
  CreateShown();
  pf::SetControlEnabled(kSettingsOkButton, false);
  LocateRenderer();  // requester cancelled
  headless::QueueFileAnswer("C:\\LW\\Programs\\modeler.exe");
  LocateRenderer();
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0].title, "Error!");
  EXPECT_EQ(Messages()[0].text, "Nothing was selected, please choose 'lwsn.exe'");
  EXPECT_EQ(Messages()[0].style, pf::kBoxError);
  EXPECT_EQ(Messages()[1].text, "'lwsn.exe' was not selected, please locate 'lwsn.exe'");
  EXPECT_EQ(g.settings.rendererPath, "");
  EXPECT_EQ(g.settings.contentDirectory, "");
  EXPECT_FALSE(Control(kSettingsOkButton)->enabled);
}

TEST_F(SettingsWindowTest, KnownRendererSurvivesCancelAndIsReplacedByAnyName) {
  WriteWinFile(kRenderer, NewBuildRenderer());
  g.settings.rendererPath = kRenderer;
  g.settings.contentDirectory = "C:\\LW\\";
  CreateShown();
  LocateRenderer();  // cancelled
  EXPECT_EQ(g.settings.rendererPath, kRenderer);
  EXPECT_TRUE(Messages().empty());

  WriteWinFile("C:\\Other\\render.exe", "old");
  headless::QueueFileAnswer("C:\\Other\\render.exe");
  LocateRenderer();
  EXPECT_EQ(g.settings.rendererPath, "C:\\Other\\render.exe");
  EXPECT_EQ(g.settings.contentDirectory, "C:\\LW\\");
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(g.logCapableBuild, 0);
}

// Locate picks a renderer of another build, Cancel puts the old path back:
// the log option and its button follow the renderer that will run.
TEST_F(SettingsWindowTest, CancelAfterLocateTakesTheBuildOfTheRestoredRenderer) {
  WriteWinFile(kIni, "[Required Settings]\r\nLWSN.EXE Location = " + kRenderer + "\r\n");
  WriteWinFile(kRenderer, "MZ old build without a version text");
  WriteWinFile("C:\\New\\Programs\\lwsn.exe", NewBuildRenderer());
  LoadSettings();
  CreateShown();
  headless::QueueFileAnswer("C:\\New\\Programs\\lwsn.exe");
  PushGadget(kLocateLwsnButton);
  PushGadget(kSettingsCancelButton);
  RunSettingsWindow();
  EXPECT_EQ(g.settings.rendererPath, kRenderer);
  EXPECT_EQ(g.logCapableBuild, 0);
  EXPECT_FALSE(pf::IsControlVisible(kRefreshLogButton));
}

TEST_F(SettingsWindowTest, LocatingTheContentDirectory) {
  CreateShown();
  LocateContentDirectory();  // cancelled with none known
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].title, "Error!");
  EXPECT_EQ(Messages()[0].text, "Nothing was selected, please choose path!");

  headless::QueuePathAnswer("D:\\Content\\");
  PushGadget(kLocateContentDirButton);
  PushGadget(kLocateContentDirButton);  // cancelled: kept, no message
  RunSettingsWindow();
  ASSERT_EQ(headless::Requesters().size(), 3u);
  EXPECT_EQ(headless::Requesters()[2].kind, "path");
  EXPECT_EQ(headless::Requesters()[2].title, "Locate your Content Directory...");
  EXPECT_EQ(headless::Requesters()[2].start, "D:\\Content\\");
  EXPECT_EQ(g.settings.contentDirectory, "D:\\Content\\");
  EXPECT_EQ(Text(kContentDirField), "D:\\Content\\");
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(SettingsWindowTest, OpenedFromTheMainWindow) {
  headless::OnEventsDrained([] {
    EXPECT_TRUE(pf::IsWindowVisible(kSettingsWindow));
    EXPECT_TRUE(headless::IsTopmost(kSettingsWindow));
    // 20 pixels right of and below the main window's frame corner.
    EXPECT_EQ(pf::WindowX(kSettingsWindow), pf::WindowX(0) + 20);
    EXPECT_EQ(pf::WindowY(kSettingsWindow), pf::WindowY(0) + 20);
    PushGadget(kSettingsOkButton);
    headless::OnEventsDrained(nullptr);
    return true;
  });
  OpenSettingsWindow();
  EXPECT_FALSE(pf::WindowExists(kSettingsWindow));
  EXPECT_TRUE(WinFileExists(kIni));
}

TEST_F(SettingsWindowTest, FirstRunCancelEndsWithoutSaving) {
  g.settings.windowX = 300;
  g.settings.windowY = 200;
  SaveSettings();
  const std::string defaults = ReadWinFile(kIni);
  headless::OnEventsDrained([] {
    EXPECT_FALSE(pf::IsWindowVisible(0));
    EXPECT_TRUE(pf::IsWindowVisible(kSettingsWindow));
    EXPECT_EQ(pf::WindowX(kSettingsWindow), 300);
    EXPECT_FALSE(Control(kSettingsOkButton)->enabled);
    EXPECT_EQ(Text(kLwsnPathField), "Required...");
    headless::PushListSelect(kSettingsTabs, 1);
    PushGadget(kConfirmOverwriteCheck);
    PushGadget(kSettingsCancelButton);
    headless::OnEventsDrained(nullptr);
    return true;
  });
  RunFirstRunSettingsWindow();
  EXPECT_EQ(g.quitRequested, 1);
  EXPECT_FALSE(pf::WindowExists(kSettingsWindow));
  EXPECT_EQ(ReadWinFile(kIni), defaults);
}

TEST_F(SettingsWindowTest, FirstRunOkAfterLocatingSaves) {
  WriteWinFile(kRenderer, NewBuildRenderer());
  headless::QueueFileAnswer(kRenderer);
  PushGadget(kLocateLwsnButton);
  PushGadget(kSettingsOkButton);
  RunFirstRunSettingsWindow();
  EXPECT_EQ(g.quitRequested, 0);
  EXPECT_TRUE(FileHas(kIni, "LWSN.EXE Location = " + kRenderer + "\r\n"));
  EXPECT_TRUE(FileHas(kIni, "Content Directory = C:\\LW\\\r\n"));
}

}  // namespace
