// The farm status as the Farm window shows it, read from a job folder the
// way the nodes leave it: every kind of status file a task or a share can
// leave, frames counted only for a scene the queue holds.
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/program_state.h"
#include "farm/chunks.h"
#include "farm/farm_job.h"
#include "farm/farm_status.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

using StatusFiles = std::vector<std::pair<int, std::string>>;   // task of scene 1, its bytes

const std::string kFolder = "C:\\P\\night.farm\\";
const std::string kNow = "2026-12-07T22:00:00+01:00";

// Scene 1 renders 30 frames in 3 tasks; scene 2 had every frame when the
// job was written, and the queue no longer holds it.
std::string JobText() {
  FarmJob job;
  FarmScene a, b;
  a.number = 1;
  a.scenePath = "C:\\S\\a.lws";
  a.first = 1;
  a.last = 30;
  a.plan = PlanMissingFrames(1, 30, 1, {}, 10);
  a.expectedFrames = 30;
  b.number = 2;
  b.scenePath = "C:\\S\\b.lws";
  b.first = 1;
  b.last = 5;
  b.plan = PlanMissingFrames(1, 5, 1, {1, 2, 3, 4, 5}, 10);
  b.expectedFrames = 5;
  job.scenes = {a, b};
  return JobDescription(job);
}

// Scene 1 queued under another letter case, its frames in C:\Out\a\.
QueueState QueueOfSceneA() {
  QueueState queue;
  queue.scenePaths = {"c:\\s\\A.LWS"};
  queue.fields.resize(1);
  queue.fields[0][kFieldOutputDir] = "C:\\Out\\a\\";
  queue.fields[0][kFieldOutputPrefix] = "img";
  queue.fields[0][kFieldOutputFilenameFormat] = "3";
  queue.fields[0][kFieldImageExtension] = ".tga";
  queue.fields[0][kFieldFirstFrame] = "1";
  queue.fields[0][kFieldLastFrame] = "30";
  queue.fields[0][kFieldFrameStep] = "1";
  queue.count = 1;
  return queue;
}

class FarmStatusTest : public HeadlessTest {};

TEST_F(FarmStatusTest, TheTextFollowsTheStatusFilesAndTheFrames) {
  struct Row {
    const char* what;
    std::string typed;     // the job folder as typed
    const char* jobText;   // nullptr: the job above
    StatusFiles status;
    int frames;            // frame files of scene 1
    std::string text;
  };
  const std::string sceneB = "Scene 2: b.lws\r\n  No tasks: every frame was there\r\n  Frames: ? of 5\r\n";
  const std::string running = "[Task]\r\nState = running\r\nNode = n2\r\n";
  const std::string finished = "[Task]\r\nState = finished\r\nExit code = 0\r\nNode = n1\r\n";
  const std::string failed = "[Task]\r\nState = failed\r\nExit code = 3\r\nNode = n1\r\n";
  const Row rows[] = {
      {"no status file yet", kFolder, nullptr, {}, 0,
       "Scene 1: a.lws\r\n  Tasks: 0 finished, 0 running, 0 failed, 3 waiting\r\n  Frames: 0 of 30\r\n" + sceneB},
      {"running", kFolder, nullptr, {{1, running}}, 4,
       "Scene 1: a.lws\r\n  Tasks: 0 finished, 1 running, 0 failed, 2 waiting\r\n  Frames: 4 of 30\r\n" + sceneB},
      {"finished", kFolder, nullptr, {{1, finished}}, 10,
       "Scene 1: a.lws\r\n  Tasks: 1 finished, 0 running, 0 failed, 2 waiting\r\n  Frames: 10 of 30\r\n" + sceneB},
      {"failed with exit 3 on n1", kFolder, nullptr, {{2, failed}}, 10,
       "Scene 1: a.lws\r\n  Tasks: 0 finished, 0 running, 1 failed, 2 waiting\r\n  Frames: 10 of 30\r\n"
       "  Task 2 failed: exit code 3 on n1\r\n" + sceneB},
      {"failed, saying neither code nor node", kFolder, nullptr, {{3, "[Task]\r\nState = failed\r\n"}}, 0,
       "Scene 1: a.lws\r\n  Tasks: 0 finished, 0 running, 1 failed, 2 waiting\r\n  Frames: 0 of 30\r\n"
       "  Task 3 failed: exit code ? on ?\r\n" + sceneB},
      {"empty", kFolder, nullptr, {{1, ""}}, 0,
       "Scene 1: a.lws\r\n  Tasks: 0 finished, 0 running, 0 failed, 2 waiting, 1 unknown\r\n  Frames: 0 of 30\r\n" +
           sceneB},
      {"garbage", kFolder, nullptr, {{2, "\x01\x02 not a status \xff\r\n[Task"}}, 0,
       "Scene 1: a.lws\r\n  Tasks: 0 finished, 0 running, 0 failed, 2 waiting, 1 unknown\r\n  Frames: 0 of 30\r\n" +
           sceneB},
      {"half-written", kFolder, nullptr, {{3, "[Task]\r\nState = fini"}}, 0,
       "Scene 1: a.lws\r\n  Tasks: 0 finished, 0 running, 0 failed, 2 waiting, 1 unknown\r\n  Frames: 0 of 30\r\n" +
           sceneB},
      {"every state at once", kFolder, nullptr, {{1, finished}, {2, failed}, {3, running}}, 30,
       "Scene 1: a.lws\r\n  Tasks: 1 finished, 1 running, 1 failed, 0 waiting\r\n  Frames: 30 of 30\r\n"
       "  Task 2 failed: exit code 3 on n1\r\n" + sceneB},
      {"typed without the backslash, blanks around", "  C:\\P\\night.farm ", nullptr, {{1, finished}}, 2,
       "Scene 1: a.lws\r\n  Tasks: 1 finished, 0 running, 0 failed, 2 waiting\r\n  Frames: 2 of 30\r\n" + sceneB},
      {"a job.txt of two scenes that holds one", kFolder,
       "[Farm Job]\r\nScenes = 2\r\n[Scene1]\r\nScene = C:\\S\\c.lws\r\nTasks = 1\r\nFrames expected = 7\r\n", {}, 0,
       "Scene 1: c.lws\r\n  Tasks: 0 finished, 0 running, 0 failed, 1 waiting\r\n  Frames: ? of 7\r\n"},
      {"no job folder", "C:\\P\\other.farm\\", nullptr, {}, 0, "No farm job in C:\\P\\other.farm\\"},
      {"a job.txt that is no job", kFolder, "\x01garbage\r\n[Scenes]\r\n", {}, 0, "No farm job in " + kFolder},
      {"an empty field", "", nullptr, {}, 0, "No farm job in "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    WriteWinFile(kFolder + "job.txt", row.jobText ? row.jobText : JobText());
    fs::create_directories(headless::HostPath(kFolder + "status\\"));
    for (const auto& [task, bytes] : row.status)
      WriteWinFile(kFolder + "status\\scene-001-00" + std::to_string(task) + ".txt", bytes);
    for (int frame = 1; frame <= row.frames; ++frame)
      WriteWinFile("C:\\Out\\a\\img" + std::to_string(10000 + frame).substr(1) + ".tga", "frame");
    EXPECT_EQ(FarmStatusText(row.typed, QueueOfSceneA(), kNow), row.text);
  }
}

// What a task says of its end and of its life: killed with the signal's
// exit code, cancelled before it started, and a running task not heard of
// for five minutes (its Updated time) shown as lost; an Updated time in
// the future, missing or garbage is no loss.
TEST_F(FarmStatusTest, KilledCancelledAndLostTasks) {
  struct Row {
    const char* what;
    std::string status;   // of task 2
    std::string line;     // the counts line, then the notes
  };
  const std::string running = "[Task]\r\nState = running\r\nNode = n7\r\nUpdated = ";
  const Row rows[] = {
      {"killed by scancel", "[Task]\r\nState = killed\r\nExit code = 143\r\nNode = n1\r\nMessage = ended by signal 15\r\n",
       "0 running, 0 failed, 2 waiting, 1 killed\r\n  Frames: 0 of 30\r\n  Task 2 killed: ended by signal 15 on n1\r\n"},
      {"failed: no frames written", "[Task]\r\nState = failed\r\nExit code = 0\r\nNode = n1\r\nMessage = no frames written\r\n",
       "0 running, 1 failed, 2 waiting\r\n  Frames: 0 of 30\r\n  Task 2 failed: no frames written on n1\r\n"},
      {"cancelled", "[Task]\r\nState = cancelled\r\n", "0 running, 0 failed, 2 waiting, 1 cancelled\r\n  Frames: 0 of 30\r\n"},
      {"renewed a minute ago", running + "2026-12-07T20:59:00Z\r\n", "1 running, 0 failed, 2 waiting\r\n  Frames: 0 of 30\r\n"},
      {"4:59 ago, another offset", running + "2026-12-07T22:55:01+02:00\r\n",
       "1 running, 0 failed, 2 waiting\r\n  Frames: 0 of 30\r\n"},
      {"five minutes ago: lost", running + "2026-12-07T20:55:00+00:00\r\n",
       "1 running, 0 failed, 2 waiting\r\n  Frames: 0 of 30\r\n  Task 2 on n7: no word since 21:55 (node lost?)\r\n"},
      {"yesterday, behind midnight", running + "2026-12-06T23:30:00+00:00\r\n",
       "1 running, 0 failed, 2 waiting\r\n  Frames: 0 of 30\r\n  Task 2 on n7: no word since 00:30 (node lost?)\r\n"},
      {"in the future", running + "2027-01-01T00:00:00+01:00\r\n", "1 running, 0 failed, 2 waiting\r\n  Frames: 0 of 30\r\n"},
      {"no Updated", "[Task]\r\nState = running\r\n", "1 running, 0 failed, 2 waiting\r\n  Frames: 0 of 30\r\n"},
      {"garbage Updated", running + "2026-13-45T99:00:00+01:00\r\n", "1 running, 0 failed, 2 waiting\r\n  Frames: 0 of 30\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    WriteWinFile(kFolder + "job.txt", JobText());
    WriteWinFile(kFolder + "status\\scene-001-002.txt", row.status);
    const std::string text = FarmStatusText(kFolder, QueueOfSceneA(), kNow);
    EXPECT_EQ(text.substr(0, text.find("Scene 2")), "Scene 1: a.lws\r\n  Tasks: 0 finished, " + row.line);
  }
}

}  // namespace

namespace {

// The window reads the folder every few seconds: a status file the listing
// shows unchanged is not read again, and one written anew is, even at the
// same size.
TEST_F(FarmStatusTest, AnUnchangedStatusFileIsNotReadAgain) {
  const std::string path = kFolder + "status\\scene-001-001.txt";
  const std::string running = "[Task]\r\nState = running\r\nNode = n2\r\n";
  const std::string failed = "[Task]\r\nState = failed\r\nNode = n22\r\n";
  ASSERT_EQ(running.size(), failed.size());
  WriteWinFile(kFolder + "job.txt", JobText());
  WriteWinFile(path, running);
  EXPECT_NE(FarmStatusText(kFolder, QueueState{}, kNow).find("1 running"), std::string::npos);
  headless::FailFileOperation(0);
  EXPECT_NE(FarmStatusText(kFolder, QueueState{}, kNow).find("1 running"), std::string::npos);
  for (const std::string& op : headless::FileOperations())
    EXPECT_NE(op.rfind("open " + path, 0), 0u) << op;   // listed, not opened
  WriteWinFile(path, failed);
  fs::last_write_time(headless::HostPath(path), fs::last_write_time(headless::HostPath(path)) + std::chrono::seconds(1));
  EXPECT_NE(FarmStatusText(kFolder, QueueState{}, kNow).find("1 failed"), std::string::npos);
}

}  // namespace

namespace {

// Farm frames come while the scene's tasks run or as they end: a scene
// whose status files are as they were is not listed again at each refresh,
// one with a running task always is, and any change to its status files
// counts its frames again.
TEST_F(FarmStatusTest, FramesAreCountedAgainWhenTheScenesTasksMove) {
  const auto listsFrames = [] {
    headless::FailFileOperation(0);
    const std::string text = FarmStatusText(kFolder, QueueOfSceneA(), kNow);
    for (const std::string& op : headless::FileOperations())
      if (op == "list C:\\Out\\a\\") return true;
    return false;
  };
  WriteWinFile(kFolder + "job.txt", JobText());
  WriteWinFile(kFolder + "status\\scene-001-001.txt", "[Task]\r\nState = finished\r\n");
  WriteWinFile("C:\\Out\\a\\img0001.tga", "frame");
  EXPECT_TRUE(listsFrames());
  EXPECT_FALSE(listsFrames());   // nothing moved
  WriteWinFile(kFolder + "status\\scene-001-002.txt", "[Task]\r\nState = running\r\n");
  EXPECT_TRUE(listsFrames());
  EXPECT_TRUE(listsFrames());    // a task runs
  WriteWinFile(kFolder + "status\\scene-001-002.txt", "[Task]\r\nState = finished\r\n");
  EXPECT_TRUE(listsFrames());
  EXPECT_FALSE(listsFrames());
}

}  // namespace
