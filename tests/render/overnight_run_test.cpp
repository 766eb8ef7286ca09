// An unattended night: what the [Overnight] settings make of a scene that
// fails (STOP or NEXT, with retries), a renderer that hangs, a frame cut off
// by a crash, and a start that waits for a time of day.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/program_state.h"
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

// A TGA of 2 x 2 pixels at 24 bits, whole or cut after `keep` bytes.
std::string Tga(std::size_t keep = std::string::npos) {
  std::string header(18, '\0');
  header[2] = 2;
  header[12] = 2;
  header[14] = 2;
  header[16] = 24;
  return (header + std::string(12, '\x7f')).substr(0, keep);
}

// Before a scene continues, a last frame cut short is deleted and rendered
// again; a 0-byte frame in the middle is left alone; with the check off the
// scene counts as complete as it always did. A renderer that writes a frame
// now and then is never taken for a hung one.
TEST_F(OvernightTest, ACutOffLastFrameIsRenderedAgainAndASlowRendererIsNotHung) {
  for (bool check : {true, false}) {
    SCOPED_TRACE(check);
    TearDown();
    SetUp();
    WriteWinFile("C:\\S\\s1.lws", MakeScene(1, 5, 1, "C:\\Out\\s1\\img"));
    WriteWinFile("C:\\S\\s2.lws", MakeScene(1, 5, 1, "C:\\Out\\s2\\img"));
    for (int f = 1; f <= 5; ++f) WriteWinFile("C:\\Out\\s1\\img000" + std::to_string(f) + ".tga", Tga());
    WriteWinFile("C:\\Out\\s1\\img0003.tga", "");
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
        if (i == 0) WriteWinFile("C:\\Out\\s1\\img0005.tga", Tga());   // the frame again, whole
        headless::PushTimer();
      });
    }
    Run(steps);
    if (!check) {
      // Five files of five: done, as it always was; scene 2 renders.
      ASSERT_FALSE(Launches().empty());
      EXPECT_EQ(Launches()[0].parameters, " -3 -q -dC:\\LW\\ C:\\S\\s2.lws 1 5 1");
      EXPECT_EQ(ReadWinFile("C:\\Out\\s1\\img0005.tga"), Tga(20));
      continue;
    }
    ASSERT_EQ(Launches().size(), 1u);
    EXPECT_EQ(Launches()[0].parameters, " -3 -q -dC:\\LW\\ C:\\S\\s1.lws 5 5 1");
    EXPECT_TRUE(WinFileExists("C:\\Out\\s1\\img0003.tga"));
    EXPECT_EQ(ReadWinFile("C:\\Out\\s1\\img0004.tga"), Tga());
    // The count rose at 50 s (frame 5 written again), then stayed: at 150 s
    // the renderer had gone a minute and more without a new frame.
    EXPECT_TRUE(Launches()[0].terminated);
    EXPECT_EQ(pf::ControlText(kStatusText), "LWSN hung! (no new frame for 1 min)");
  }
}

// Start waits for the time of day: the wait shows, the clock set back an
// hour waits on, and the queue starts once the clock passes the time; the
// button stops a wait.
TEST_F(OvernightTest, StartAtWaitsForTheClockAndTheButtonCancelsTheWait) {
  Scenes(1);
  Run({[] {
         g.settings.overnight.startAt = "22:30";
         headless::SetLocalTime("2026-12-08T22:29:00+01:00");
         AddScenes(1);
         PushGadget(kStartQueueButton);
       },
       [] {
         EXPECT_EQ(pf::ControlText(kStatusText), "Waiting until 22:30");
         EXPECT_EQ(pf::ControlText(kStartQueueButton), "Stop Queue!");
         headless::SetLocalTime("2026-12-08T21:29:30+01:00");   // the clock set back an hour
         headless::PushTimer();
       },
       [] {
         headless::SetLocalTime("2026-12-08T22:29:57+01:00");
         headless::PushTimer();
       },
       [] {
         EXPECT_TRUE(Launches().empty());
         headless::SetLocalTime("2026-12-08T22:30:00+01:00");
         headless::PushTimer();
       },
       [] {
         ASSERT_EQ(Launches().size(), 1u);
         EXPECT_EQ(pf::ControlText(kStatusText), "Rendering: s1.lws");
         headless::PushTray(0);
         PushGadget(kStartQueueButton);   // Stop
       },
       [] {
         // Start again, and the button ends the wait.
         PushGadget(kStartQueueButton);
         PushGadget(kStartQueueButton);
       },
       [] {
         EXPECT_EQ(pf::ControlText(kStatusText), "Awaiting Action...");
         EXPECT_NE(pf::ControlText(kStartQueueButton), "Stop Queue!");
         headless::SetLocalTime("2026-12-09T22:31:00+01:00");
         headless::PushTimer();
       }});
  EXPECT_EQ(Launches().size(), 1u);
}

// What the user chose for a finished queue follows a run that went through
// it, and never a run that was stopped.
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
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("power request", 0) == 0; }), 0);
    EXPECT_FALSE(headless::SystemRequired());
  }
}

}  // namespace
