// The Farm window driven as a user through "Send Queue to Farm...": what
// Write Farm Job takes, saves and writes (or refuses to), what Close leaves,
// and the status view that follows the tasks' status files.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/scene_queue.h"
#include "support/test_support.h"
#include "ui/commands.h"
#include "ui/farm_window.h"
#include "ui/main_window.h"

namespace {

using headless::PushGadget;
using headless::SetText;
using Steps = std::vector<std::function<void()>>;
using Texts = std::vector<std::string>;

const std::string kIni = "C:\\Tallowbridge\\Tallowbridge.ini";
const std::string kJob = "C:\\P\\night.farm\\";
const std::string kFarmBefore = "[Farm]\r\nFrames per task = 20\r\nPartition = gpu\r\nIn queue order = YES\r\n";

class FarmWindowTest : public ProgramTest {
 protected:
  // s1 has 30 frames to render; s2 has 1 of its 5 frames already. The
  // projects' folder is there, and so is the empty folder Browse offers.
  void SetUp() override {
    ProgramTest::SetUp();
    std::filesystem::create_directories(headless::HostPath("C:\\P\\"));
    std::filesystem::create_directories(headless::HostPath("C:\\Jobs\\tonight\\"));
    WriteWinFile("C:\\S\\s1.lws", MakeScene(1, 30, 1, "C:\\Out\\s1\\img"));
    WriteWinFile("C:\\S\\s2.lws", MakeScene(1, 5, 1, "C:\\Out\\s2\\img"));
    WriteWinFile("C:\\Out\\s2\\img0001.tga", "frame");
  }
  static pf::Event FarmCommand() {
    pf::Event e;
    e.code = pf::kEventMenu;
    e.window = kMainWindow;
    e.item = kFarmCommand;
    return e;
  }
};

// What the user types before writing: 5 frames a task, the share both ways,
// the scenes no longer in queue order.
void TypeSettings() {
  SetText(kFramesPerTaskField, " 5 ");
  SetText(kShareHereField, "C:\\");
  SetText(kShareOnClusterField, " /mnt/c ");
  PushGadget(kInQueueOrderCheck);
}
const char* const kTypedGroup =
    "[Farm]\r\nEngine = SLURM\r\nFrames per task = 5\r\nNode renderer = \r\nPartition = gpu\r\n"
    "In queue order = NO\r\nShare on this computer = C:\\\r\nShare on the cluster = /mnt/c\r\n";

TEST_F(FarmWindowTest, WriteTakesSavesAndWritesTheJobTheViewFollowsItsTasks) {
  struct Row {
    const char* what;
    bool scenes;             // s1 and s2 queued
    bool lastSavedOnly;      // no current project, only the last one saved
    bool oldFolder;          // kJob holds old-marker.txt
    Steps steps;             // in the open window; Close follows
    Texts messages;          // "title: text" from the window's opening on
    std::string writtenTo;   // the folder holding submit.sh afterwards, or none
    const char* farmGroup;   // ending the settings file; nullptr: the file as it was
    std::string view;        // the status view before Close
    int viewSets;            // how often the view's text was set
  };
  const std::string noJob = "No farm job in " + kJob;
  const std::string missing = "\n34 frame(s) of 2 scene(s) are missing and will be rendered.";
  const std::string written = "2 scene(s) in 7 task(s) written to " + kJob + missing +
                              "\n\nRun on the cluster:\n  sh '/mnt/c/P/night.farm/submit.sh'";
  const std::string waiting =
      "Scene 1: s1.lws\r\n  Tasks: 0 finished, 0 running, 0 failed, 6 waiting\r\n  Frames: 0 of 30\r\n"
      "Scene 2: s2.lws\r\n  Tasks: 0 finished, 0 running, 0 failed, 1 waiting\r\n  Frames: 1 of 5\r\n";
  const std::string replace = "Question: Replace the farm job folder\n" + kJob + " ?";
  const auto write = [] {
    TypeSettings();
    PushGadget(kWriteFarmJobButton);
  };
  const Row rows[] = {
      {"an empty queue writes nothing, a number of frames too high is the highest", false, false, false,
       {[] {
         SetText(kFramesPerTaskField, "999999");
         PushGadget(kWriteFarmJobButton);
       }},
       {"Info: The queue has no scenes: nothing was written."}, "",
       "[Farm]\r\nEngine = SLURM\r\nFrames per task = 100000\r\nNode renderer = \r\nPartition = gpu\r\n"
       "In queue order = YES\r\nShare on this computer = \r\nShare on the cluster = \r\n",
       noJob, 1},
      {"a queue is written with the settings typed", true, false, false, {write}, {"Info: " + written}, kJob,
       kTypedGroup, waiting, 2},
      {"beside the last project saved when none is loaded", true, true, false, {write},
       {"Info: 2 scene(s) in 7 task(s) written to C:\\P\\last.farm\\" + missing + "\n\nRun on the cluster:\n"
        "  sh '/mnt/c/P/last.farm/submit.sh'"},
       "C:\\P\\last.farm\\", kTypedGroup, waiting, 2},
      {"an existing folder answered No stays as it was", true, false, true,
       {[&write] {
         headless::QueueAnswer(pf::kAnswerNo);
         write();
       }},
       {replace}, "", kTypedGroup, "", 0},
      {"an existing folder answered Yes is replaced", true, false, true,
       {[&write] {
         headless::QueueAnswer(pf::kAnswerYes);
         write();
       }},
       {replace, "Info: " + written}, kJob, kTypedGroup, waiting, 1},
      {"a write that fails keeps the old folder", true, false, true,
       {[&write] {
         headless::SetReadOnly("C:\\P\\night.farm.tb-temp-" + std::to_string(pf::CurrentProcessId()) + "\\job.txt");
         headless::QueueAnswer(pf::kAnswerYes);
         write();
       }},
       {replace, "Error!: Could not write C:\\P\\night.farm.tb-temp-" + std::to_string(pf::CurrentProcessId()) + "\\job.txt (full share?); the job folder was left as it "
                 "was."},
       "", kTypedGroup, "", 0},
      {"no job folder is an error", true, false, false,
       {[&write] {
         SetText(kJobFolderField, "  ");
         write();
       }},
       {"Error!: No job folder: type one or choose one with Browse..."}, "", kTypedGroup, noJob, 1},
      {"a folder chosen with Browse is the job folder itself", true, false, false,
       {[] {
          headless::QueuePathAnswer("C:\\Jobs\\tonight\\");
          PushGadget(kJobFolderBrowseButton);
        },
        [] { EXPECT_EQ(pf::ControlText(kJobFolderField), "C:\\Jobs\\tonight\\"); }, write},
       {"Info: 2 scene(s) in 7 task(s) written to C:\\Jobs\\tonight\\" + missing + "\n\nRun on the cluster:\n"
        "  sh '/mnt/c/Jobs/tonight/submit.sh'"},
       "C:\\Jobs\\tonight\\", kTypedGroup, waiting, 3},
      {"Close leaves what was typed untaken", true, false, false, {TypeSettings}, {}, "", nullptr, noJob, 1},
      {"a failed task shows at the next tick, an unchanged status is not set again", true, false, false,
       {write,
        [] {
          WriteWinFile(kJob + "status\\scene-001-002.txt",
                       "[Task]\r\nState = failed\r\nExit code = 3\r\nNode = n1\r\n");
          headless::PushTimer(kFarmStatusTimer, kFarmWindow);
        },
        [] { headless::PushTimer(kFarmStatusTimer, kFarmWindow); }},
       {"Info: " + written}, kJob, kTypedGroup,
       "Scene 1: s1.lws\r\n  Tasks: 0 finished, 0 running, 1 failed, 5 waiting\r\n  Frames: 0 of 30\r\n"
       "  Task 2 failed: exit code 3 on n1\r\n"
       "Scene 2: s2.lws\r\n  Tasks: 0 finished, 0 running, 0 failed, 1 waiting\r\n  Frames: 1 of 5\r\n",
       3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    WriteWinFile(kIni, ReadWinFile(kIni) + "Last Saved Project = C:\\P\\last.tbp\r\n" + kFarmBefore);
    if (row.oldFolder) {
      WriteWinFile(kJob + "old-marker.txt", "old");
      WriteWinFile(kJob + "job.txt", "[Farm Job]\r\nScenes = 0\r\n");
    }
    std::string iniAtOpen, view;
    std::size_t messagesAtOpen = 0;
    int viewSets = 0;
    Steps steps = {[&] {
                     if (row.scenes) {
                       QueueScenePath("C:\\S\\s1.lws");
                       QueueScenePath("C:\\S\\s2.lws");
                     }
                     if (!row.lastSavedOnly) g.currentProjectPath = "C:\\P\\night.tbp";
                     iniAtOpen = ReadWinFile(kIni);
                     messagesAtOpen = headless::Messages().size();
                     headless::PushEvent(FarmCommand());
                   },
                   [] {
                     ASSERT_TRUE(pf::IsWindowVisible(kFarmWindow));
                     EXPECT_EQ(pf::WindowX(kFarmWindow), pf::WindowX(kMainWindow) + 20);
                     EXPECT_TRUE(headless::IsTopmost(kFarmWindow));
                     EXPECT_EQ(Text(kFramesPerTaskField), "20");
                     EXPECT_EQ(Text(kPartitionField), "gpu");
                     EXPECT_EQ(State(kInQueueOrderCheck), 1);
                     const Texts& log = headless::Log();
                     EXPECT_NE(std::find(log.begin(), log.end(), "start timer 300 3 3000"), log.end());
                   }};
    steps.insert(steps.end(), row.steps.begin(), row.steps.end());
    steps.push_back([&] {
      view = Text(kFarmStatusView);
      viewSets = headless::Control(kFarmStatusView)->textSets;
      PushGadget(kFarmCloseButton);
    });
    Run(steps);
    EXPECT_FALSE(pf::WindowExists(kFarmWindow));
    Texts messages;
    for (std::size_t i = messagesAtOpen; i < headless::Messages().size(); ++i)
      messages.push_back(headless::Messages()[i].title + ": " + headless::Messages()[i].text);
    EXPECT_EQ(messages, row.messages);
    for (const std::string& folder : {kJob, std::string("C:\\P\\last.farm\\"), std::string("C:\\Jobs\\tonight\\")}) {
      EXPECT_EQ(WinFileExists(folder + "submit.sh"), folder == row.writtenTo) << folder;
      if (!row.oldFolder || folder != kJob) EXPECT_EQ(WinFileExists(folder + "job.txt"), folder == row.writtenTo) << folder;
    }
    EXPECT_EQ(WinFileExists(kJob + "old-marker.txt"), row.oldFolder && row.writtenTo != kJob);
    for (const auto& entry : std::filesystem::directory_iterator(headless::HostPath("C:\\P\\")))
      EXPECT_EQ(entry.path().filename().string().find(".tb-"), std::string::npos) << "a leftover of the write";
    const std::string ini = ReadWinFile(kIni);
    if (row.farmGroup) EXPECT_TRUE(ini.ends_with(row.farmGroup)) << ini;
    else EXPECT_EQ(ini, iniAtOpen);
    EXPECT_EQ(view, row.view);
    EXPECT_EQ(viewSets, row.viewSets);
  }
}

}  // namespace
