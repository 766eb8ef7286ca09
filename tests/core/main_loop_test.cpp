// The program started headless, driven like a user: events in, windows out.
#include <algorithm>
#include <filesystem>

#include "core/main_loop.h"
#include "core/program_state.h"
#include "core/startup.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

using headless::Control;

class MainLoopTest : public HeadlessTest {
 protected:
  // A program that has been run before: the renderer is known, so start-up
  // goes straight to the main window.
  void SetUp() override {
    HeadlessTest::SetUp();
    WriteWinFile("C:\\LW\\Programs\\lwsn.exe", "MZ stand-in");
    WriteWinFile("C:\\Tallowbridge\\Tallowbridge.ini",
                 "[Required Settings]\r\nLWSN.EXE Location = C:\\LW\\Programs\\lwsn.exe\r\n"
                 "[Program Settings]\r\nWindowX = 210\r\nWindowY = 120\r\n"
                 "Load last project upon startup = NO\r\nContinue rendering upon startup = NO\r\n");
  }

  // Starts the program; the events pushed before run, then it returns.
  void Start() { StartUp(); }

  static bool Logged(const std::string& line) {
    const auto& log = headless::Log();
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  static std::vector<std::string> LogFrom(const std::string& first) {
    const auto& log = headless::Log();
    auto it = std::find(log.begin(), log.end(), first);
    return {it, log.end()};
  }
};

TEST_F(MainLoopTest, StartUpShowsTheMainWindowWithItsControlsAndInitialStates) {
  Start();
  EXPECT_EQ(pf::WindowTitle(kMainWindow), "Tallowbridge v1.1");
  EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
  EXPECT_EQ(pf::WindowInnerWidth(kMainWindow), 294);
  EXPECT_EQ(pf::WindowInnerHeight(kMainWindow), 451);
  EXPECT_EQ(pf::WindowX(kMainWindow), 210);   // the saved position of the frame's corner
  EXPECT_EQ(pf::WindowY(kMainWindow), 120);
  EXPECT_EQ(pf::WindowInnerX(kMainWindow), 210 + headless::kFrameLeft);
  EXPECT_EQ(pf::WindowInnerY(kMainWindow), 120 + headless::kFrameTop);
  EXPECT_TRUE(headless::Messages().empty());
  EXPECT_EQ(headless::OwnPriority(), pf::kPriorityNormal);

  auto controls = headless::ControlsOf(kMainWindow);
  ASSERT_EQ(controls.size(), 43u);
  std::vector<int> enabled;
  for (int id : controls)
    if (Control(id)->enabled) enabled.push_back(id);
  std::sort(enabled.begin(), enabled.end());
  // Everything but the 23 start-disabled controls: the buttons that work on
  // an empty queue, the check boxes for the renderer, labels, frames, views.
  std::vector<int> expected = {1, 2, 8, 11, 12, 22, 23, 24, 25, 26, 29, 30, 31, 35, 36, 37, 92, 95, 96, 97};
  EXPECT_EQ(enabled, expected);
  for (int id : {9, 10, 11, 92}) EXPECT_EQ(Control(id)->state, 0) << id;

  EXPECT_EQ(Control(kQueueList)->font, pf::kFontSystem);
  EXPECT_EQ(Control(kOutputListingView)->font, pf::kFontFixed);
  EXPECT_EQ(Control(kStartQueueButton)->font, pf::kFontBold);
  EXPECT_EQ(Control(kDeleteFramesButton)->tooltip,
            "Danger! Will delete all rendered frames in current output directory!");
  EXPECT_TRUE(Logged("tray add 0 93"));
  EXPECT_TRUE(Logged("tray tooltip Tallowbridge v1.1 - Right=Queue Status"));
}

// The window is created with its inner area at 150, 150; the first settings
// file stores where its frame's corner is then.
TEST_F(MainLoopTest, FirstRunStoresTheFramePositionOfTheNewWindow) {
  std::filesystem::remove(headless::HostPath("C:\\Tallowbridge\\Tallowbridge.ini"));
  Start();
  std::string ini = ReadWinFile("C:\\Tallowbridge\\Tallowbridge.ini");
  EXPECT_NE(ini.find("\r\nWindowX = " + std::to_string(150 - headless::kFrameLeft) + "\r\nWindowY = " +
                     std::to_string(150 - headless::kFrameTop) + "\r\n"),
            std::string::npos)
      << ini;
}

TEST_F(MainLoopTest, FontsAreLoadedBeforeTheWindowOpens) {
  Start();
  auto fromFonts = LogFrom("font 1 Tahoma 8 1");
  ASSERT_FALSE(fromFonts.empty());
  EXPECT_EQ(fromFonts[1], "font 2 Tahoma 8 0");
  EXPECT_EQ(fromFonts[2], "font 3 Tahoma 8 3");
  EXPECT_EQ(fromFonts[3], "font 4 courier new 8 0");
  EXPECT_EQ(fromFonts[4], "open window 0 Tallowbridge v1.1");
}

TEST_F(MainLoopTest, AnsweringNoToQuitKeepsEverythingRunning) {
  g.rendering = 0;
  headless::PushClose();
  headless::QueueAnswer(pf::kAnswerNo);
  headless::PushGadget(kAboutButton);   // the loop goes on after the question
  Start();
  ASSERT_EQ(headless::Messages().size(), 2u);
  EXPECT_EQ(headless::Messages()[0].title, "Question");
  EXPECT_EQ(headless::Messages()[0].text, "Do you really want to quit?");
  EXPECT_EQ(headless::Messages()[0].style, pf::kBoxQuestion);
  EXPECT_EQ(headless::Messages()[1].title, "Information");
  EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
  EXPECT_FALSE(Logged("tray remove 0"));
}

TEST_F(MainLoopTest, AnsweringYesEndsTheProgramWithExitCodeZero) {
  headless::PushClose();
  headless::QueueAnswer(pf::kAnswerYes);
  EXPECT_EXIT(Start(), ::testing::ExitedWithCode(0), "tray remove 0\n(.|\n)*shutdown\nexit 0");
}

TEST_F(MainLoopTest, QuittingWhileRenderingTerminatesTheRenderer) {
  headless::OnEventsDrained([] {
    // As if a render had been launched: a live process and the flag set.
    g.rendererProcess = pf::StartProgram("C:\\LW\\lwsn.exe", "", "C:\\LW\\", pf::kRunHidden);
    g.rendering = 1;
    headless::QueueAnswer(pf::kAnswerYes);
    headless::PushClose();
    headless::OnEventsDrained(nullptr);
    return true;
  });
  EXPECT_EXIT(Start(), ::testing::ExitedWithCode(0), "terminate 1000\n(.|\n)*exit 0");
}

TEST_F(MainLoopTest, MinimisingHidesTheWindowAtTheNextEvent) {
  headless::OnEventsDrained([] {
    headless::Minimise(kMainWindow);
    headless::PushTimer();   // any event will do
    headless::OnEventsDrained(nullptr);
    return true;
  });
  Start();
  EXPECT_FALSE(pf::IsWindowVisible(kMainWindow));
}

TEST_F(MainLoopTest, TrayLeftClickBringsTheHiddenWindowToTheFront) {
  headless::OnEventsDrained([] {
    headless::Minimise(kMainWindow);
    headless::PushTimer();
    headless::PushTray(0);
    headless::OnEventsDrained(nullptr);
    return true;
  });
  Start();
  EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
  EXPECT_FALSE(pf::IsWindowMinimised(kMainWindow));
  EXPECT_FALSE(headless::IsTopmost(kMainWindow));
  // The window is still minimised when the tray event arrives, so it is
  // hidden once more before it is shown and brought to the front.
  const auto& log = headless::Log();
  ASSERT_GE(log.size(), 4u);
  std::vector<std::string> tail(log.end() - 4, log.end());
  std::vector<std::string> expected = {"hide window 0", "show window 0", "topmost window 0", "not topmost window 0"};
  EXPECT_EQ(tail, expected);
}

// The queue status lines come first, as they always did; the commands of
// the additions stand below a separator, and alone with no scene queued.
TEST_F(MainLoopTest, TrayRightClickShowsTheQueueStatusLinesFirst) {
  headless::PushTray(1);
  headless::OnEventsDrained([] {
    g.queue.scenePaths = {"C:\\Scenes\\a.lws", "C:\\Scenes\\b.lws"};
    g.queue.fields.resize(2);
    g.queue.fields[0][kFieldPercentDone] = "40";
    g.queue.fields[1][kFieldPercentDone] = "0";
    pf::AddControlItem(kQueueList, "C:\\Scenes\\a.lws");
    pf::AddControlItem(kQueueList, "C:\\Scenes\\b.lws");
    g.queue.count = 2;
    headless::PushTray(1);
    headless::PushTray(0);   // a left click builds the menu but does not show it
    headless::OnEventsDrained(nullptr);
    return true;
  });
  Start();
  std::vector<std::string> menus;
  for (const auto& line : headless::Log())
    if (line.rfind("menu", 0) == 0) menus.push_back(line);
  const std::string commands = "8208 Overnight Settings... | 8224 Send Queue to Farm...";
  ASSERT_EQ(menus.size(), 2u);
  EXPECT_EQ(menus[0], "menu | " + commands);
  EXPECT_EQ(menus[1], "menu | 1 Render Progress: | - | 2 C:\\Scenes\\a.lws  -  (40% done) | 3 C:\\Scenes\\b.lws  -  "
                      "(0% done) | - | " + commands);
}

}  // namespace
