// Rendering the queue: the renderer's command line, the launch, the ticks
// that follow it to the end of the queue, Stop, failures, and the idle
// trigger.
#include <algorithm>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "render/idle_trigger.h"
#include "render/render_job.h"
#include "render/rendering_fixture.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

using headless::Launches;
using headless::Messages;
using headless::PushGadget;
using Texts = std::vector<std::string>;

TEST(QuoteArgumentTest, OnlyArgumentsWithBlanksTabsOrQuotesAreQuoted) {
  struct Row {
    const char *argument, *quoted;
  };
  const Row rows[] = {
      {"C:\\Scenes\\a.lws", "C:\\Scenes\\a.lws"},
      {"C:\\LW\\Content\\", "C:\\LW\\Content\\"},
      {"", ""},
      {"C:\\My Scenes\\a.lws", "\"C:\\My Scenes\\a.lws\""},
      {"C:\\LW 8\\Content\\", "\"C:\\LW 8\\Content\\\\\""},     // the closing quote is not escaped
      {"C:\\Tab\there", "\"C:\\Tab\there\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},                               // backslash then quote
      {"C:\\a b\\\\", "\"C:\\a b\\\\\\\\\""},
  };
  for (const Row& row : rows) EXPECT_EQ(QuoteArgument(row.argument), row.quoted) << row.argument;
}

class RenderTest : public RenderingTest {
 protected:
  static Texts Parameters() {
    Texts out;
    for (const auto& l : Launches()) out.push_back(l.parameters);
    return out;
  }
};

TEST_F(RenderTest, ParametersFollowTheRendererContract) {
  struct Row {
    const char* content;
    int logCapable;
    const char* scene;
    int framesThere;
    const char* expected;
    int first = 1, step = 1;
  };
  const Row rows[] = {
      {"C:\\LW\\Content", 1, "C:\\Scenes\\a.lws", 0, " -3 -q -dC:\\LW\\Content -llwsn_tallowbridge.log C:\\Scenes\\a.lws 1 60 1"},
      {"C:\\LW\\Content", 0, "C:\\Scenes\\a.lws", 0, " -3 -q -dC:\\LW\\Content C:\\Scenes\\a.lws 1 60 1"},
      {"C:\\LW\\Content", 0, "C:\\Scenes\\a.lws", 12, " -3 -q -dC:\\LW\\Content C:\\Scenes\\a.lws 13 60 1"},
      {"C:\\LW 8\\", 0, "C:\\My Scenes\\a.lws", 0, " -3 -q -d\"C:\\LW 8\\\\\" \"C:\\My Scenes\\a.lws\" 1 60 1"},
      // Frames 10, 12 and 14 are there: the render goes on at 16.
      {"C:\\LW\\Content", 0, "C:\\Scenes\\a.lws", 3, " -3 -q -dC:\\LW\\Content C:\\Scenes\\a.lws 16 60 2", 10, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    TearDown();
    SetUp();
    WriteWinFile(row.scene, MakeScene(row.first, 60, row.step, "C:\\Out\\img"));
    for (int f = 1; f <= row.framesThere; ++f) WriteWinFile("C:\\Out\\img" + std::to_string(1000 + f).substr(1) + ".tga", "f");
    Run({[&row] {
      g.settings.contentDirectory = row.content;
      g.logCapableBuild = row.logCapable;
      headless::QueueFileAnswer(row.scene);
      PushGadget(kAddSceneButton);
      PushGadget(kStartQueueButton);
    }});
    ASSERT_EQ(Launches().size(), 1u);
    EXPECT_EQ(Launches()[0].parameters, row.expected);
    EXPECT_EQ(Launches()[0].program, "C:\\LW\\Programs\\lwsn.exe");
    EXPECT_EQ(Launches()[0].workingDirectory, "C:\\LW\\Programs\\");
    EXPECT_EQ(Launches()[0].flags, pf::kRunHidden);
    EXPECT_EQ(Launches()[0].priority, pf::kPriorityIdle);
  }
}

// Three scenes render to the end without anyone touching the program.
TEST_F(RenderTest, AQueueRendersToTheEndUnattended) {
  Scenes(3);
  std::vector<std::function<void()>> steps = {[] {
    AddScenes(3);
    PushGadget(kConsoleViewCheck);   // the console is shown for every scene of the run
    PushGadget(kStartQueueButton);
  }};
  for (int scene = 1; scene <= 3; ++scene) {
    steps.push_back([scene] {
      EXPECT_FALSE(pf::IsWindowVisible(kMainWindow));
      EXPECT_EQ(pf::ControlText(kStatusText), "Rendering: s" + std::to_string(scene) + ".lws");
      EXPECT_EQ(pf::ControlText(kStartQueueButton), "Stop Queue!");
      EXPECT_FALSE(pf::IsControlEnabled(kAddSceneButton));
      EXPECT_EQ(pf::ControlState(kQueueList), scene - 1);
      EXPECT_EQ(pf::ControlText(kOutputDirField), "C:\\Out\\s" + std::to_string(scene) + "\\");
      RenderFrames(scene, 1, 2);
      headless::PushTimer();   // still running: 2 of 3
    });
    steps.push_back([scene] {
      EXPECT_EQ(g.queue.fields[scene - 1][kFieldPercentDone], "67");
      RenderFrames(scene, 3, 3);
      EndLastLaunch(0);
      headless::PushTimer();
    });
  }
  Run(steps);
  EXPECT_EQ(Parameters(), (Texts{" -3 -q -dC:\\LW\\ C:\\S\\s1.lws 1 3 1", " -3 -q -dC:\\LW\\ C:\\S\\s2.lws 1 3 1",
                                 " -3 -q -dC:\\LW\\ C:\\S\\s3.lws 1 3 1"}));
  for (const auto& launch : Launches()) {
    EXPECT_EQ(launch.flags, 0);   // console shown
    EXPECT_TRUE(launch.released);
  }
  EXPECT_EQ(g.queue.renderStates, (std::vector<int>{2, 2, 2}));
  EXPECT_EQ(pf::ControlText(kStatusText), "LWSN was finished...");
  EXPECT_EQ(g.queue.renderCursor, 0);
  EXPECT_EQ(g.rendering, 0);
  EXPECT_EQ(pf::ControlState(kQueueList), 0);
  EXPECT_EQ(pf::ControlState(kConsoleViewCheck), 1);
  EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
  // The icon blinked while the queue rendered, and shows the idle picture now.
  EXPECT_NE(std::find(headless::Log().begin(), headless::Log().end(), "tray image 94"), headless::Log().end());
  EXPECT_EQ(headless::TrayImage(), 93);
  EXPECT_NE(pf::ControlText(kStartQueueButton), "Stop Queue!");
  for (int id : {kAddSceneButton, kLoadProjectButton, kSaveProjectButton, kSettingsButton})
    EXPECT_TRUE(pf::IsControlEnabled(id)) << id;
}

TEST_F(RenderTest, StopInTheMiddleThenStartContinuesFromTheNextFrame) {
  Scenes(3, 10);
  Run({[] {
         AddScenes(3);
         PushGadget(kStartQueueButton);
       },
       [] {
         RenderFrames(1, 1, 10);
         EndLastLaunch(0);
         headless::PushTimer();
       },
       [] {
         RenderFrames(2, 1, 4);
         headless::PushTimer();
         headless::PushTray(0);   // the window comes back from the tray
         PushGadget(kStartQueueButton);
       },
       [] {
         EXPECT_EQ(pf::ControlText(kStatusText), "LWSN was terminated!");
         EXPECT_TRUE(Launches()[1].terminated);
         EXPECT_EQ(g.queue.renderCursor, 0);
         // Row 0 is shown, and it is done: Start waits for an unfinished scene.
         EXPECT_EQ(pf::ControlText(kStartQueueButton), "Scene Done!");
         EXPECT_FALSE(pf::IsControlEnabled(kStartQueueButton));
         headless::PushListSelect(kQueueList, 1);
         PushGadget(kStartQueueButton);
       }});
  ASSERT_EQ(Launches().size(), 3u);
  EXPECT_EQ(Launches()[2].parameters, " -3 -q -dC:\\LW\\ C:\\S\\s2.lws 5 10 1");
  EXPECT_EQ(pf::ControlState(kQueueList), 1);
}

TEST_F(RenderTest, EveryWayARunEndsLeavesAnIdleProgram) {
  struct Row {
    const char* what;
    int exitCode;           // the renderer's end; 0 with a failed launch
    bool launchFails;
    const char* status;
    const char* message;    // "" for none
  };
  const Row rows[] = {
      {"killed from outside", -1, false, "LWSN was terminated!", ""},
      {"ended with 259, the code of one still running", 259, false, "LWSN failed! (exit code 259)", ""},
      {"crashed", -1073741819, false, "LWSN was terminated!", ""},
      {"an error exit code", 1, false, "LWSN failed! (exit code 1)", ""},
      {"a renderer that cannot start", 0, true, "Awaiting Action...",
       "Could not start the renderer:\nC:\\LW\\Programs\\lwsn.exe"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    Scenes(2);
    Run({[] { AddScenes(2); },
         [&row] {
           if (row.launchFails) headless::FailNextLaunch();
           PushGadget(kStartQueueButton);
         },
         [&row] {
           if (row.launchFails) return;
           RenderFrames(1, 1, 1);
           headless::EndProcess(Launches().back().handle, row.exitCode);
           headless::PushTimer();
         }});
    EXPECT_EQ(pf::ControlText(kStatusText), row.status);
    EXPECT_EQ(Messages().empty() ? std::string() : Messages().back().text, row.message);
    EXPECT_EQ(g.rendering, 0);
    EXPECT_EQ(g.rendererProcess, 0);
    EXPECT_EQ(g.queue.renderCursor, 0);
    EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
    EXPECT_EQ(headless::TrayImage(), 93);
    EXPECT_NE(pf::ControlText(kStartQueueButton), "Stop Queue!");
    for (int id : {kAddSceneButton, kLoadProjectButton, kSettingsButton, kStartQueueButton})
      EXPECT_TRUE(pf::IsControlEnabled(id)) << id;
    for (const auto& launch : Launches()) EXPECT_TRUE(launch.released || launch.terminated);
    EXPECT_EQ(Launches().size(), row.launchFails ? 0u : 1u);
  }
}

// Done rows are skipped; so are rows whose frames are all there, whatever
// their state (a reloaded project gives every row but the first state 0):
// a renderer is never asked for a first frame past the last.
TEST_F(RenderTest, DoneScenesAreSkippedAndAFinishedQueueStartsNothing) {
  Scenes(3);
  RenderFrames(1, 1, 3);
  Run({[] { AddScenes(3); },
       [] {
         g.queue.renderStates = {0, 0, 0};
         PushGadget(kStartQueueButton);
       },
       [] {
         EXPECT_EQ(pf::ControlState(kQueueList), 1);
         EXPECT_EQ(Launches().back().parameters, " -3 -q -dC:\\LW\\ C:\\S\\s2.lws 1 3 1");
         headless::PushTray(0);
         PushGadget(kStartQueueButton);   // Stop
       },
       [] { headless::PushListSelect(kQueueList, 1); },
       [] {
         g.queue.renderStates = {2, 2, 2};
         PushGadget(kStartQueueButton);
       }});
  EXPECT_EQ(Launches().size(), 1u);
  EXPECT_EQ(g.queue.renderCursor, 0);
  EXPECT_EQ(g.rendering, 0);
  // The timer was started anew and keeps ticking.
  std::string lastTimerCall;
  for (const auto& line : headless::Log())
    if (line.find(" timer ") != std::string::npos) lastTimerCall = line;
  EXPECT_EQ(lastTimerCall, "start timer 0 1 3000");
}

// Row 0 shows its own frames when a later scene finishes: 10 of 10 there,
// while the scene finishing has 5 (it read 50 %) or 15 (150 %).
TEST_F(RenderTest, AFinishedSceneWritesNoCountIntoRowZero) {
  for (int secondLength : {5, 15}) {
    SCOPED_TRACE(secondLength);
    TearDown();
    SetUp();
    WriteWinFile("C:\\S\\s1.lws", MakeScene(1, 10, 1, "C:\\Out\\s1\\img"));
    WriteWinFile("C:\\S\\s2.lws", MakeScene(1, secondLength, 1, "C:\\Out\\s2\\img"));
    WriteWinFile("C:\\S\\s3.lws", MakeScene(1, 4, 1, "C:\\Out\\s3\\img"));
    RenderFrames(1, 1, 10);
    Run({[] { AddScenes(3); },
         [] {
           g.queue.renderStates = {2, 0, 0};
           PushGadget(kStartQueueButton);
         },
         [secondLength] {
           RenderFrames(2, 1, secondLength);
           EndLastLaunch(0);
           headless::PushTimer();
         },
         [] {
           // Scene 3 renders now; the status menu shows every row's own figure.
           EXPECT_EQ(g.queue.fields[0][kFieldPercentDone], "100");
           EXPECT_EQ(g.queue.renderStates[0], 2);
           headless::PushTray(1);
         }});
    EXPECT_EQ(Launches().size(), 2u);
    std::string menu;
    for (const auto& line : headless::Log())
      if (line.rfind("menu", 0) == 0) menu = line;
    EXPECT_NE(menu.find("C:\\S\\s1.lws  -  (100% done)"), std::string::npos) << menu;
  }
}

// A run that ends because the next scene cannot start lets the system
// sleep before the box that says why, and records that scene.
TEST_F(RenderTest, ARunEndingInAMessageReleasesTheSystemFirstAndRecordsTheScene) {
  for (bool noOutputDirectory : {true, false}) {
    SCOPED_TRACE(noOutputDirectory);
    TearDown();
    SetUp();
    Scenes(1);
    WriteWinFile("C:\\S\\s2.lws", noOutputDirectory ? MakeScene(1, 3, 1) : MakeScene(1, 3, 1, "C:\\Out\\s2\\img"));
    Run({[] {
           AddScenes(2);
           PushGadget(kStartQueueButton);
         },
         [noOutputDirectory] {
           RenderFrames(1, 1, 3);
           EndLastLaunch(0);
           if (!noOutputDirectory) headless::FailNextLaunch();
           headless::PushTimer();
         }});
    const auto& log = headless::Log();
    const auto released = std::find(log.begin(), log.end(), "system required off");
    auto box = log.begin();
    while (box != log.end() && box->rfind("message Error!", 0) != 0) ++box;
    ASSERT_NE(box, log.end());
    EXPECT_LT(released, box);
    const std::string history = ReadWinFile("C:\\Tallowbridge\\Tallowbridge-history.csv");
    const std::string why = noOutputDirectory ? "Please specify an output directory." : "the renderer did not start";
    EXPECT_NE(history.find("C:\\S\\s2.lws,1,3,1,0,0,not started (" + why + "),,"), std::string::npos) << history;
  }
}

// Without a tray icon nothing could bring a hidden window back.
TEST_F(RenderTest, NoTrayIconNoHiddenWindow) {
  headless::RefuseTrayIcon();
  Scenes(1);
  Run({[] {
    AddScenes(1);
    PushGadget(kStartQueueButton);
  }});
  EXPECT_EQ(g.rendering, 1);
  EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
}

// An icon refused at start-up comes with its tooltip when the taskbar does.
TEST_F(RenderTest, AnIconAddedLaterHasItsTooltip) {
  headless::RefuseTrayIcon();
  Run({[] {
    EXPECT_FALSE(pf::TrayIconShown(0));
    headless::RefuseTrayIcon(false);
    headless::RecreateTaskbar();
  }});
  EXPECT_TRUE(pf::TrayIconShown(0));
  EXPECT_EQ(headless::TrayTooltip(0), "Tallowbridge v1.1 - Right=Queue Status");
}

TEST_F(RenderTest, AWindowHiddenWhileRenderingComesBackWhenTheIconIsLost) {
  Scenes(1);
  Run({[] {
         AddScenes(1);
         PushGadget(kStartQueueButton);
       },
       [] {
         EXPECT_FALSE(pf::IsWindowVisible(kMainWindow));
         headless::LoseTrayIcons();
         headless::PushTimer();
       }});
  EXPECT_EQ(g.rendering, 1);
  EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
}

TEST_F(RenderTest, NoTrayIconNoHidingAMinimisedWindow) {
  headless::RefuseTrayIcon();
  Run({[] {
    headless::Minimise(kMainWindow);
    headless::PushTimer();
  }});
  EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
}

TEST_F(RenderTest, HighPriorityCheckSetsTheClass) {
  Scenes(1);
  Run({[] {
         AddScenes(1);
         PushGadget(kHighPriorityCheck);
         PushGadget(kStartQueueButton);
       },
       [] {
         EXPECT_EQ(Launches()[0].priority, pf::kPriorityHigh);
         headless::PushTray(0);
         PushGadget(kHighPriorityCheck);
       }});
  EXPECT_EQ(Launches()[0].priority, pf::kPriorityIdle);
  EXPECT_EQ(g.rendererPriority, pf::kPriorityIdle);
}

class IdleTriggerTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    CreateMainWindow(g.programTitle);
    pf::PlaceWindow(kMainWindow, 100, 100);
    g.rendererProcess = pf::StartProgram("C:\\LW\\lwsn.exe", "", "C:\\LW\\", pf::kRunHidden);
  }
  static int Priority() { return Launches()[0].priority; }
};

TEST_F(IdleTriggerTest, BoostsAfterTheTimeoutAndDropsOnMovement) {
  struct Row {
    const char* what;
    int timeout, detect;
    int ticksStill;           // ticks with the pointer where it was
    bool boosted;
  };
  const Row rows[] = {
      {"five minutes are 100 still ticks", 5, 1, 100, true},
      {"99 still ticks are not enough", 5, 1, 99, false},
      {"detection off", 5, 0, 200, false},
      {"a timeout of 0 waits for one still tick", 0, 1, 1, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    g.settings.idleTimeout = row.timeout;
    g.settings.detectMouseInactivity = row.detect;
    headless::SetPointer(5000, 5000);   // outside the window, as while it is in the tray
    IdleTick();                          // the first sample differs from the start value 0
    EXPECT_EQ(g.idleBoosted, 0);
    for (int i = 0; i < row.ticksStill; ++i) IdleTick();
    EXPECT_EQ(g.idleBoosted, row.boosted ? 1 : 0);
    EXPECT_EQ(Priority(), row.boosted ? pf::kPriorityHigh : pf::kPriorityNormal);
    EXPECT_EQ(pf::ControlState(kHighPriorityCheck), row.boosted ? 1 : 0);
  }
  // Moving into the window ends the boost and starts counting again.
  headless::SetPointer(pf::WindowInnerX(kMainWindow) + 40, pf::WindowInnerY(kMainWindow) + 40);
  IdleTick();
  EXPECT_EQ(g.idleBoosted, 0);
  EXPECT_EQ(g.idleSeconds, 0);
  EXPECT_EQ(Priority(), pf::kPriorityIdle);
  EXPECT_EQ(pf::ControlState(kHighPriorityCheck), 0);
}

TEST_F(IdleTriggerTest, OnlyHorizontalMovementInsideTheWindowCounts) {
  const int left = pf::WindowInnerX(kMainWindow), top = pf::WindowInnerY(kMainWindow);
  struct Row {
    int x, y, sample;
  };
  const Row rows[] = {
      {left, top, 0},         {left + 294, top + 451, 294},   // the edges are inside
      {left - 1, top, -1},    {left + 295, top, -1},
      {left + 10, top - 1, -1}, {left + 10, top + 452, -1},
      {left + 10, top + 200, 10},
  };
  for (const Row& row : rows) {
    headless::SetPointer(row.x, row.y);
    EXPECT_EQ(MouseSample(), row.sample) << row.x << "," << row.y;
  }
}

}  // namespace
