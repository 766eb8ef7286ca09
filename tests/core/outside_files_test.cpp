// Scenes and projects from outside the program's requesters: its command
// line, a second copy started from the same folder, and files dropped on the
// main window.
#include <algorithm>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/startup.h"
#include "support/test_support.h"
#include "ui/main_window.h"
#include "ui/settings_window.h"

namespace {

using headless::Messages;
using Texts = std::vector<std::string>;

class OutsideFilesTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    for (const char* path : {"C:\\S\\a.lws", "C:\\S\\b.lws", "C:\\My Scenes\\c d.lws", "C:\\P\\x.lws"})
      WriteWinFile(path, MakeScene(1, 3, 1, "C:\\Out\\img"));
    WriteWinFile("C:\\S\\bad.lws", "not a scene\r\n");
    WriteWinFile("C:\\S\\notes.txt", "LWSC\r\n");
    WriteWinFile("C:\\P\\night.tbp", "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 1\r\nScene0 = C:\\P\\x.lws\r\n");
  }
  static Texts MessageTexts() {
    Texts out;
    for (const auto& m : Messages()) out.push_back(m.title + ": " + m.text);
    return out;
  }
};

TEST_F(OutsideFilesTest, FilesAreOpenedAsAddSceneAndLoadProjectWould) {
  struct Row {
    Texts files;
    Texts queue;      // afterwards
    Texts messages;
  };
  const Row rows[] = {
      {{"C:\\S\\a.lws", "C:\\My Scenes\\c d.lws"}, {"C:\\S\\a.lws", "C:\\My Scenes\\c d.lws"}, {}},
      {{"C:\\S\\a.lws", "C:\\S\\a.lws"},
       {"C:\\S\\a.lws"},
       {"Information: 'C:\\S\\a.lws' already exist in queue, not added!"}},
      {{"C:\\S\\bad.lws"},
       {},
       {"Error!: 'C:\\S\\bad.lws'\nis corrupted, or not a valid Lightwave Scene file!\n\nNo file loaded!"}},
      {{"C:\\S\\missing.lws", "C:\\S", "C:\\S\\notes.txt", "C:\\S\\b.lws"},
       {"C:\\S\\b.lws"},
       {"Error!: Not opened:\n'C:\\S\\missing.lws' was not found\n'C:\\S' is a folder\n"
        "'C:\\S\\notes.txt' is not a scene (.lws) or project (.tbp)"}},
      {{"C:\\S\\a.lws", "C:\\P\\night.tbp"}, {"C:\\P\\x.lws"}, {}},
      {{"C:\\S\\NOTES.LWS.txt"}, {}, {"Error!: Not opened:\n'C:\\S\\NOTES.LWS.txt' is not a scene (.lws) or project (.tbp)"}},
  };
  for (bool dropped : {false, true}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.files[0] + (dropped ? " dropped" : " on the command line"));
      TearDown();
      SetUp();
      if (!dropped) headless::SetCommandLineFiles(row.files);
      Run({[&row, dropped] {
        if (dropped) headless::ArriveFiles(row.files);
      }});
      EXPECT_EQ(g.queue.scenePaths, row.queue);
      EXPECT_EQ(Lines(kQueueList), row.queue);
      EXPECT_EQ(MessageTexts(), row.messages);
    }
  }
}

TEST_F(OutsideFilesTest, FiveHundredScenesOnTheCommandLine) {
  Texts files;
  for (int i = 0; i < 500; ++i) {
    files.push_back("C:\\Many\\shot " + std::to_string(i) + ".lws");
    WriteWinFile(files.back(), MakeScene(1, 2, 1, "C:\\Out\\many" + std::to_string(i)));
  }
  headless::SetCommandLineFiles(files);
  Run({});
  EXPECT_EQ(g.queue.scenePaths, files);
  EXPECT_EQ(Text(kQueueCountText), "500 Scene File(s) In Queue");
  EXPECT_TRUE(Messages().empty());
}

// Files that arrive while a modal window is up or the queue renders wait,
// then are all opened in their order; nothing is lost.
TEST_F(OutsideFilesTest, FilesWaitForModalWindowsAndTheRun) {
  Run({[] {
         headless::QueueFileAnswer("C:\\S\\a.lws");
         headless::PushGadget(kAddSceneButton);
         headless::PushGadget(kSettingsButton);
       },
       [] {   // in the settings window's own loop
         EXPECT_TRUE(pf::IsWindowVisible(kSettingsWindow));
         headless::ArriveFiles({"C:\\S\\b.lws"});
       },
       [] {
         EXPECT_EQ(g.queue.count, 1);
         headless::PushGadget(kSettingsCancelButton);
       },
       [] {
         EXPECT_EQ(g.queue.scenePaths, (Texts{"C:\\S\\a.lws", "C:\\S\\b.lws"}));
         headless::PushGadget(kStartQueueButton);
       },
       [] {
         ASSERT_EQ(g.rendering, 1);
         headless::ArriveFiles({"C:\\My Scenes\\c d.lws"});
       },
       [] {
         EXPECT_EQ(g.queue.count, 2);
         EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));   // the hand-over brought it back
         headless::SetExitCode(headless::Launches().back().handle, 5);
         headless::PushTimer();
       }});
  EXPECT_EQ(g.queue.scenePaths, (Texts{"C:\\S\\a.lws", "C:\\S\\b.lws", "C:\\My Scenes\\c d.lws"}));
  EXPECT_TRUE(Messages().empty());
}

// Under NEXT the night is unattended: files handed over during the wait for
// "Start at" and during the run wait for its end, and what they bring (here
// a refusal) comes after the countdown to shut down, never in front of it.
TEST_F(OutsideFilesTest, AnUnattendedNightTakesFilesOnlyAfterItsCountdown) {
  Run({[] {
         g.settings.overnight.whenSceneFails = WhenSceneFails::kNext;
         g.settings.overnight.whenQueueDone = WhenQueueDone::kShutdown;
         g.settings.overnight.startAt = "22:00";
         headless::SetLocalTime("2026-12-08T21:00:00+01:00");
         headless::QueueFileAnswer("C:\\S\\a.lws");
         headless::PushGadget(kAddSceneButton);
         headless::PushGadget(kStartQueueButton);
       },
       [] {
         headless::ArriveFiles({"C:\\S\\bad.lws"});
       },
       [] {
         EXPECT_EQ(g.queue.count, 1);
         headless::SetLocalTime("2026-12-08T22:00:03+01:00");
         headless::PushTimer();
       },
       [] {
         ASSERT_EQ(g.rendering, 1);
         headless::ArriveFiles({"C:\\S\\b.lws"});
       },
       [] {
         EXPECT_EQ(g.queue.count, 1);
         WriteWinFile("C:\\Out\\img0001.tga", "frame");
         WriteWinFile("C:\\Out\\img0002.tga", "frame");
         WriteWinFile("C:\\Out\\img0003.tga", "frame");
         headless::SetExitCode(headless::Launches().back().handle, 0);
         headless::PushTimer();
       },
       [] { headless::PushGadget(242); }});   // the countdown's Cancel
  const auto& log = headless::Log();
  const auto countdown = std::find(log.begin(), log.end(), "open window 240 Tallowbridge");
  const auto box = std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("message", 0) == 0; });
  ASSERT_NE(countdown, log.end());
  ASSERT_NE(box, log.end());
  EXPECT_LT(countdown, box);
  EXPECT_EQ(g.queue.scenePaths, (Texts{"C:\\S\\a.lws", "C:\\S\\b.lws"}));
}

// A second copy from the same folder opens no window: it hands its files
// over and ends with code 0.
TEST_F(OutsideFilesTest, ASecondCopyHandsItsFilesOverAndEnds) {
  headless::SetFolderHeldElsewhere();
  headless::SetCommandLineFiles({"C:\\S\\a.lws", "C:\\S\\b.lws"});
  EXPECT_EXIT(StartUp(), ::testing::ExitedWithCode(0), "^hand over 2 file\\(s\\)\nshutdown\nexit 0\n$");
}

}  // namespace
