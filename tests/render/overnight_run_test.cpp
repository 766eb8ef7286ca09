// An unattended night: what the [Overnight] settings make of a scene that
// fails (STOP or NEXT, with retries), a renderer that hangs, a frame cut off
// by a crash, and a start that waits for a time of day.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "render/overnight_run.h"
#include "render/rendering_fixture.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

using headless::Launches;
using headless::PushGadget;

const char* const kHistory = "C:\\Tallowbridge\\Tallowbridge-history.csv";

enum class Fault { kExit3, kCrash, kHang, kNoStart, kNoOutputDir, kSceneGone, kEverySceneExit3 };

class OvernightTest : public RenderingTest {
 protected:
  // Launches of scene n so far.
  static int LaunchesOf(int scene) {
    const std::string name = "s" + std::to_string(scene) + ".lws";
    return static_cast<int>(std::count_if(Launches().begin(), Launches().end(), [&](const headless::Launch& l) {
      return l.parameters.find(name) != std::string::npos;
    }));
  }
  static int SceneOfLastLaunch() {
    const std::string& p = Launches().back().parameters;
    for (int n = 1; n <= 9; ++n)
      if (p.find("s" + std::to_string(n) + ".lws") != std::string::npos) return n;
    return 0;
  }
  // One render tick as the renderer of the running scene would make it:
  // scene 2 fails the given way on every try, the others render.
  static void Tick(Fault fault) {
    if (!g.rendering) return;
    const int scene = SceneOfLastLaunch();
    if (fault == Fault::kEverySceneExit3) {
      EndLastLaunch(3);
    } else if (scene != 2) {
      RenderFrames(scene, 1, 3);
      EndLastLaunch(0);
      if (scene == 1 && fault == Fault::kNoStart) headless::FailNextLaunch();
      if (scene == 1 && fault == Fault::kSceneGone) std::filesystem::remove(headless::HostPath("C:\\S\\s2.lws"));
    } else if (fault == Fault::kExit3) {
      EndLastLaunch(3);
    } else if (fault == Fault::kCrash) {
      EndLastLaunch(-1073741819);
    } else if (fault == Fault::kHang) {
      headless::AdvanceClock(61 * 1000);   // no new frame for over a minute
    }
    headless::PushTimer();
  }
  static int HistoryLines() {
    const std::string h = ReadWinFile(kHistory);
    return static_cast<int>(std::count(h.begin(), h.end(), '\n')) - 1;
  }
};

// Scene 2 of three fails on every try. STOP ends the run there (after its
// retries), as without these settings; NEXT renders scene 3, shows no box,
// marks scene 2 failed and ends with the count of failed scenes.
TEST_F(OvernightTest, AFailingSceneStopsTheRunOrIsPassedOver) {
  struct Row {
    Fault fault;
    bool next;
    int retries;
    int triesOfScene2;        // launches of scene 2
    const char* status;       // at the end
    const char* message;      // the last message box, "" for none
  };
  const Row rows[] = {
      {Fault::kExit3, false, 0, 1, "LWSN failed! (exit code 3)", ""},
      {Fault::kExit3, false, 2, 3, "LWSN failed! (exit code 3)", ""},
      {Fault::kExit3, true, 1, 2, "Finished: 1 of 3 scenes failed", ""},
      {Fault::kCrash, false, 1, 2, "LWSN was terminated!", ""},
      {Fault::kCrash, true, 0, 1, "Finished: 1 of 3 scenes failed", ""},
      {Fault::kHang, false, 0, 1, "LWSN hung! (no new frame for 1 min)", ""},
      {Fault::kHang, true, 1, 2, "Finished: 1 of 3 scenes failed", ""},
      {Fault::kNoStart, false, 0, 0, "LWSN was finished...", "Could not start the renderer:\nC:\\LW\\Programs\\lwsn.exe"},
      {Fault::kNoStart, true, 0, 0, "Finished: 1 of 3 scenes failed", ""},
      {Fault::kNoOutputDir, false, 0, 0, "LWSN was finished...", "Please specify an output directory."},
      {Fault::kNoOutputDir, true, 3, 0, "Finished: 1 of 3 scenes failed", ""},
      {Fault::kSceneGone, true, 0, 0, "Finished: 1 of 3 scenes failed", ""},
      // Every try of every scene fails: each is tried 1 + Retries times, and the run ends.
      {Fault::kEverySceneExit3, true, 1, 2, "Finished: 3 of 3 scenes failed", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(static_cast<int>(row.fault)) + (row.next ? " NEXT" : " STOP") + " retries " +
                 std::to_string(row.retries));
    TearDown();
    SetUp();
    Scenes(3);
    if (row.fault == Fault::kNoOutputDir) WriteWinFile("C:\\S\\s2.lws", MakeScene(1, 3, 1));
    std::vector<std::function<void()>> steps = {[&row] {
      g.settings.overnight.whenSceneFails = row.next ? WhenSceneFails::kNext : WhenSceneFails::kStop;
      g.settings.overnight.retries = row.retries;
      g.settings.overnight.frameTimeoutMinutes = 1;
      AddScenes(3);
      PushGadget(kStartQueueButton);
    }};
    for (int i = 0; i < 12; ++i) steps.push_back([&row] { Tick(row.fault); });
    steps.push_back([] {
      headless::PushListSelect(kQueueList, 1);
      headless::PushTray(1);
    });
    Run(steps);
    EXPECT_EQ(g.rendering, 0);
    EXPECT_EQ(LaunchesOf(2), row.triesOfScene2);
    const bool everyScene = row.fault == Fault::kEverySceneExit3;
    EXPECT_EQ(LaunchesOf(1), everyScene ? 2 : 1);
    EXPECT_EQ(LaunchesOf(3), everyScene ? 2 : row.next ? 1 : 0);
    EXPECT_EQ(pf::ControlText(kStatusText), row.status);
    const auto& messages = headless::Messages();
    EXPECT_EQ(messages.empty() ? std::string() : messages.back().text, row.message);
    // One history line per try, and one for a scene that never started.
    const int notStarted = row.triesOfScene2 == 0 ? 1 : 0;
    EXPECT_EQ(HistoryLines(), everyScene ? 6 : 1 + row.triesOfScene2 + notStarted + (row.next ? 1 : 0));
    EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
    EXPECT_NE(pf::ControlText(kStartQueueButton), "Stop Queue!");
    EXPECT_FALSE(headless::SystemRequired());
    for (const auto& launch : Launches()) EXPECT_TRUE(launch.released || launch.terminated);
    if (!row.next) continue;
    // The failed row says so, in the details and the status menu.
    EXPECT_EQ(pf::ControlText(kPercentDoneText), "(failed)");
    std::string menu;
    for (const auto& line : headless::Log())
      if (line.rfind("menu", 0) == 0) menu = line;
    EXPECT_NE(menu.find("C:\\S\\s2.lws  -  (failed)"), std::string::npos) << menu;
    EXPECT_NE(menu.find(everyScene ? "C:\\S\\s3.lws  -  (failed)" : "C:\\S\\s3.lws  -  (100% done)"),
              std::string::npos)
        << menu;
  }
}

std::string Tga(std::size_t keep = std::string::npos) { return SmallTga(keep); }

// Before a scene continues, a last frame cut short is moved aside (never
// deleted), named in the history and rendered again; only that one, though
// frame 4 is cut too, and a 0-byte frame in the middle is left alone; with
// the check off the scene counts as complete as it always did. A renderer
// that writes a frame now and then is never taken for a hung one.
TEST_F(OvernightTest, ACutOffLastFrameIsRenderedAgainAndASlowRendererIsNotHung) {
  for (bool check : {true, false}) {
    SCOPED_TRACE(check);
    TearDown();
    SetUp();
    WriteWinFile("C:\\S\\s1.lws", MakeScene(1, 5, 1, "C:\\Out\\s1\\img"));
    WriteWinFile("C:\\S\\s2.lws", MakeScene(1, 5, 1, "C:\\Out\\s2\\img"));
    for (int f = 1; f <= 5; ++f) WriteWinFile("C:\\Out\\s1\\img000" + std::to_string(f) + ".tga", Tga());
    WriteWinFile("C:\\Out\\s1\\img0003.tga", "");
    WriteWinFile("C:\\Out\\s1\\img0004.tga", Tga(25));
    WriteWinFile("C:\\Out\\s1\\img0005.tga", Tga(20));
    std::vector<std::function<void()>> steps = {[check] {
      g.settings.overnight.checkLastFrame = check;
      g.settings.overnight.frameTimeoutMinutes = 1;
      AddScenes(2);   // the second is selected: Start is usable
      PushGadget(kStartQueueButton);
    }};
    for (int i = 0; i < 4; ++i) {
      steps.push_back([i, check] {
        if (!g.rendering || !check) return;
        headless::AdvanceClock(50 * 1000);
        if (i == 0) {
          EXPECT_EQ(ReadWinFile("C:\\Out\\s1\\img0005.tga.cut"), Tga(20));
          EXPECT_NE(ReadWinFile(kHistory).find("s1.lws: frame cut off, moved aside as img0005.tga.cut"),
                    std::string::npos);
          WriteWinFile("C:\\Out\\s1\\img0005.tga", Tga());   // the frame again, whole
        }
        headless::PushTimer();
      });
    }
    Run(steps);
    if (!check) {
      // Five files of five: done, as it always was; scene 2 renders.
      ASSERT_FALSE(Launches().empty());
      EXPECT_EQ(Launches()[0].parameters, " -3 -q -dC:\\LW\\ C:\\S\\s2.lws 1 5 1");
      EXPECT_EQ(ReadWinFile("C:\\Out\\s1\\img0005.tga"), Tga(20));
      EXPECT_FALSE(WinFileExists("C:\\Out\\s1\\img0005.tga.cut"));
      continue;
    }
    ASSERT_EQ(Launches().size(), 1u);
    EXPECT_EQ(Launches()[0].parameters, " -3 -q -dC:\\LW\\ C:\\S\\s1.lws 5 5 1");
    EXPECT_TRUE(WinFileExists("C:\\Out\\s1\\img0003.tga"));
    EXPECT_EQ(ReadWinFile("C:\\Out\\s1\\img0004.tga"), Tga(25));
    // The count rose at 50 s (frame 5 written again), then stayed: at 150 s
    // the renderer had gone a minute and more without a new frame.
    EXPECT_TRUE(Launches()[0].terminated);
    EXPECT_EQ(pf::ControlText(kStatusText), "LWSN hung! (no new frame for 1 min)");
  }
}

// The wait for a time of day ends at a local date and time fixed when it
// began: today's when that time is still to come, otherwise tomorrow's.
TEST(StartAtTest, TheWaitEndsAtTheNextSuchLocalTime) {
  struct Row {
    const char *now, *at, *until;
    bool tomorrow;
  };
  const Row rows[] = {
      {"2026-12-08T18:00:00+01:00", "22:00", "2026-12-08T22:00:00", false},
      {"2026-12-08T21:59:59+01:00", "22:00", "2026-12-08T22:00:00", false},
      {"2026-12-08T22:00:00+01:00", "22:00", "2026-12-09T22:00:00", true},
      {"2026-12-08T23:00:00+01:00", "01:30", "2026-12-09T01:30:00", true},
      {"2026-12-31T23:30:00+01:00", "22:00", "2027-01-01T22:00:00", true},
      {"2028-02-28T23:00:00+01:00", "00:00", "2028-02-29T00:00:00", true},
      {"2026-02-28T23:00:00+01:00", "00:00", "2026-03-01T00:00:00", true},
      {"", "22:00", "", false},
      {"garbage", "22:00", "", false},
  };
  for (const Row& row : rows) {
    bool tomorrow = true;
    EXPECT_EQ(NextLocalTime(row.now, row.at, tomorrow), row.until) << row.now << " " << row.at;
    EXPECT_EQ(tomorrow, row.tomorrow) << row.now << " " << row.at;
  }
}

// Start waits for the time of day and keeps the computer awake meanwhile:
// a clock set back waits on for the same moment, a time already past today
// waits for tomorrow, a moment that passed while a window was open starts
// the queue at the next tick; the button stops a wait and lets the system go.
TEST_F(OvernightTest, StartAtWaitsForTheClockAndTheButtonCancelsTheWait) {
  Scenes(1);
  Run({[] {
         g.settings.overnight.startAt = "22:30";
         headless::SetLocalTime("2026-12-08T18:00:00+01:00");
         AddScenes(1);
         PushGadget(kStartQueueButton);
       },
       [] {
         EXPECT_EQ(pf::ControlText(kStatusText), "Waiting until 22:30");
         EXPECT_EQ(pf::ControlText(kStartQueueButton), "Stop Queue!");
         EXPECT_TRUE(headless::SystemRequired());   // no idle sleep before 22:30
         headless::SetLocalTime("2026-12-08T17:29:30+01:00");   // the clock set back
         headless::PushTimer();
       },
       [] {
         headless::SetLocalTime("2026-12-08T22:29:57+01:00");
         headless::PushTimer();
       },
       [] {
         EXPECT_TRUE(Launches().empty());
         EXPECT_TRUE(headless::SystemRequired());
         // 22:30 passed while a window held the program: the next tick starts.
         headless::SetLocalTime("2026-12-08T22:41:00+01:00");
         headless::PushTimer();
       },
       [] {
         ASSERT_EQ(Launches().size(), 1u);
         EXPECT_EQ(pf::ControlText(kStatusText), "Rendering: s1.lws");
         headless::PushTray(0);
         PushGadget(kStartQueueButton);   // Stop
       },
       [] {
         // Start again after 22:30: tomorrow's.
         PushGadget(kStartQueueButton);
       },
       [] {
         EXPECT_EQ(pf::ControlText(kStatusText), "Waiting until 22:30 tomorrow");
         headless::SetLocalTime("2026-12-08T23:59:00+01:00");
         headless::PushTimer();
       },
       [] {
         EXPECT_EQ(Launches().size(), 1u);
         PushGadget(kStartQueueButton);   // the button ends the wait
       },
       [] {
         EXPECT_EQ(pf::ControlText(kStatusText), "Awaiting Action...");
         EXPECT_NE(pf::ControlText(kStartQueueButton), "Stop Queue!");
         EXPECT_FALSE(headless::SystemRequired());
         headless::SetLocalTime("2026-12-09T22:31:00+01:00");
         headless::PushTimer();
       }});
  EXPECT_EQ(Launches().size(), 1u);
  EXPECT_FALSE(headless::SystemRequired());
}

// What the user chose for a finished queue follows a run that went through
// it, and never a run that was stopped; while the run is under way, the tray
// tooltip says what follows it.
TEST_F(OvernightTest, TheCountdownFollowsOnlyAQueueThatWasDone) {
  for (bool stop : {false, true}) {
    SCOPED_TRACE(stop);
    TearDown();
    SetUp();
    Scenes(1);
    Run({[] {
           g.settings.overnight.whenQueueDone = WhenQueueDone::kShutdown;
           AddScenes(1);
           PushGadget(kStartQueueButton);
         },
         [stop] {
           EXPECT_EQ(headless::TrayTooltip(), g.programTitle + " - rendering, then shut down");
           if (stop) {
             headless::PushTray(0);
             PushGadget(kStartQueueButton);
             return;
           }
           RenderFrames(1, 1, 3);
           EndLastLaunch(0);
           headless::PushTimer();
         },
         [stop] {
           EXPECT_EQ(pf::WindowExists(240), !stop);
           if (!stop) EXPECT_EQ(pf::ControlText(241), "The queue is done. The computer will shut down in 60 seconds.");
           if (!stop) PushGadget(242);   // Cancel
         }});
    const auto& log = headless::Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "open window 240 Tallowbridge"), stop ? 0 : 1);
    EXPECT_EQ(headless::TrayTooltip(), g.programTitle + " - Right=Queue Status");
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("power request", 0) == 0; }), 0);
    EXPECT_FALSE(headless::SystemRequired());
  }
}

}  // namespace

namespace {

// What keeps scene `scene` of three from rendering on an unattended night.
enum class Lost { kNoOutputPath, kLaunchFails, kShareGone, kWroteNothing };

class NightEndTest : public OvernightTest {
 protected:
  // Scenes 1 to 3 render, except `scene`, which is lost the given way.
  static void TickNight(int scene, Lost lost) {
    if (!g.rendering) return;
    const int rendering = SceneOfLastLaunch();
    if (rendering != scene || lost != Lost::kWroteNothing) RenderFrames(rendering, 1, 3);
    if (rendering + 1 == scene && lost == Lost::kLaunchFails) headless::FailNextLaunch();
    EndLastLaunch(0);
    headless::PushTimer();
  }
};

// Under NEXT a scene that cannot start, or whose renderer wrote nothing,
// is passed over without a box, and the night ends once, wherever that
// scene stands: the status counts it, one balloon names it, the countdown
// follows, the system is let go and the run-under-way file is gone.
TEST_F(NightEndTest, AnUnattendedNightEndsOnceWhateverSceneCannotRender) {
  struct Row {
    int scene;
    Lost lost;
    const char* reason;
    int launchesOfIt;
  };
  const Row rows[] = {
      {2, Lost::kNoOutputPath, "Please specify an output directory.", 0},
      {3, Lost::kNoOutputPath, "Please specify an output directory.", 0},
      {3, Lost::kLaunchFails, "the renderer did not start", 0},
      {2, Lost::kShareGone, "output folder could not be made", 0},
      {3, Lost::kShareGone, "output folder could not be made", 0},
      {2, Lost::kWroteNothing, "no frames written", 2},
      {3, Lost::kWroteNothing, "no frames written", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.scene) + " " + row.reason);
    TearDown();
    SetUp();
    Scenes(3);
    const std::string lost = "C:\\S\\s" + std::to_string(row.scene) + ".lws";
    if (row.lost == Lost::kNoOutputPath) WriteWinFile(lost, MakeScene(1, 3, 1));
    if (row.lost == Lost::kShareGone) WriteWinFile(lost, MakeScene(1, 3, 1, "C:\\Share\\Shot\\img"));
    bool runUnderWay = false;
    std::vector<std::function<void()>> steps = {[] {
      g.settings.overnight.whenSceneFails = WhenSceneFails::kNext;
      g.settings.overnight.retries = 1;
      g.settings.overnight.whenQueueDone = WhenQueueDone::kShutdown;
      AddScenes(3);
      PushGadget(kStartQueueButton);
    }};
    steps.push_back([&runUnderWay] {
      runUnderWay = WinFileExists("C:\\Tallowbridge\\Tallowbridge.running");
      TickNight(0, Lost::kNoOutputPath);   // scene 1 renders
    });
    for (int i = 0; i < 6; ++i) steps.push_back([&row] { TickNight(row.scene, row.lost); });
    steps.push_back([] { PushGadget(242); });   // the countdown's Cancel
    Run(steps);
    EXPECT_TRUE(runUnderWay);
    EXPECT_EQ(LaunchesOf(row.scene), row.launchesOfIt);
    EXPECT_EQ(pf::ControlText(kStatusText), "Finished: 1 of 3 scenes failed");
    EXPECT_TRUE(headless::Messages().empty()) << headless::Messages().front().text;
    ASSERT_EQ(headless::Balloons().size(), 1u);
    const std::string& balloon = headless::Balloons()[0].text;
    EXPECT_EQ(balloon.rfind("Queue finished: 2 scenes, 6 frames in ", 0), 0u) << balloon;
    EXPECT_NE(balloon.find("; failed: s" + std::to_string(row.scene) + ".lws (" + row.reason + ")"), std::string::npos)
        << balloon;
    const auto& log = headless::Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "open window 240 Tallowbridge"), 1);
    EXPECT_FALSE(headless::SystemRequired());
    EXPECT_FALSE(WinFileExists("C:\\Tallowbridge\\Tallowbridge.running"));
    EXPECT_NE(ReadWinFile(kHistory).find(row.reason), std::string::npos);
  }
}

}  // namespace

namespace {

// The frame timeout (1 min here) gives a scene twice as long for its first
// new frame, since loading a scene may take long; from then on a minute.
// With frames the program cannot count it is never armed, and says so.
TEST_F(OvernightTest, TheFrameTimeoutWaitsTwiceAsLongForTheFirstFrame) {
  struct Row {
    const char* what;
    bool countable;
    int firstFrameAfterS;   // -1: none
    int silenceAfterS;      // after the first frame, or after the start without one
    bool hung;
  };
  const Row rows[] = {
      {"loading for 110 s", true, -1, 110, false},
      {"loading for 121 s", true, -1, 121, true},
      {"a frame at 110 s, then 59 s", true, 110, 59, false},
      {"a frame at 110 s, then 61 s", true, 110, 61, true},
      {"frames it cannot count, 10 min", false, -1, 600, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    Scenes(1);
    if (!row.countable) WriteWinFile("C:\\S\\s1.lws", MakeScene(1, 3, 1, "C:\\Share\\Shot\\img"));
    Run({[] {
           g.settings.overnight.frameTimeoutMinutes = 1;
           AddScenes(1);
           PushGadget(kStartQueueButton);
         },
         [&row] {
           const std::string status = row.countable ? "Rendering: s1.lws"
                                                    : "Rendering: s1.lws (no frame timeout: its frames cannot be counted)";
           EXPECT_EQ(pf::ControlText(kStatusText), status);
           if (row.firstFrameAfterS >= 0) {
             headless::AdvanceClock(row.firstFrameAfterS * 1000);
             RenderFrames(1, 1, 1);
             headless::PushTimer();
           }
         },
         [&row] {
           headless::AdvanceClock(row.silenceAfterS * 1000);
           headless::PushTimer();
         }});
    ASSERT_EQ(Launches().size(), 1u);
    EXPECT_EQ(Launches()[0].terminated, row.hung);
    if (row.hung) EXPECT_EQ(pf::ControlText(kStatusText), "LWSN hung! (no new frame for 1 min)");
  }
}

// A renderer that fails on its way out, after the scene's last frame, has
// rendered the scene: it counts as finished, and its history line keeps
// the exit code. The described queue, with no retries and STOP, ends the
// run as it always did.
TEST_F(OvernightTest, ARendererFailingAfterItsLastFrameFinishedTheScene) {
  struct Row {
    bool next;
    int exitCode;
    const char* status;
    const char* result;
  };
  const Row rows[] = {
      {true, -1073741819, "LWSN was finished...", "finished,-1073741819"},
      {true, 3, "LWSN was finished...", "finished,3"},
      {false, 3, "LWSN failed! (exit code 3)", "failed,3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.exitCode);
    TearDown();
    SetUp();
    Scenes(1);
    Run({[&row] {
           if (row.next) g.settings.overnight.whenSceneFails = WhenSceneFails::kNext;
           AddScenes(1);
           PushGadget(kStartQueueButton);
         },
         [&row] {
           RenderFrames(1, 1, 3);
           EndLastLaunch(row.exitCode);
           headless::PushTimer();
         }});
    EXPECT_EQ(Launches().size(), 1u);
    EXPECT_EQ(pf::ControlText(kStatusText), row.status);
    EXPECT_NE(ReadWinFile(kHistory).find(row.result), std::string::npos) << ReadWinFile(kHistory);
  }
}

}  // namespace

namespace {

// A retry that cannot start under STOP ends the run as the failure it
// follows: the idle program says why, not "Rendering: s1.lws".
TEST_F(OvernightTest, ARetryThatCannotStartEndsAsTheFailureItFollows) {
  Scenes(1);
  Run({[] {
         g.settings.overnight.retries = 1;
         AddScenes(1);
         PushGadget(kStartQueueButton);
       },
       [] {
         EndLastLaunch(3);
         headless::FailNextLaunch();
         headless::PushTimer();
       }});
  EXPECT_EQ(pf::ControlText(kStatusText), "LWSN failed! (exit code 3)");
  EXPECT_NE(pf::ControlText(kStartQueueButton), "Stop Queue!");
  ASSERT_FALSE(headless::Messages().empty());
  EXPECT_EQ(headless::Messages().back().text, "Could not start the renderer:\nC:\\LW\\Programs\\lwsn.exe");
  EXPECT_FALSE(headless::SystemRequired());
  EXPECT_FALSE(WinFileExists("C:\\Tallowbridge\\Tallowbridge.running"));
}

}  // namespace
