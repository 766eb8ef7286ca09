// The farm status as the Farm window shows it, read from a job folder the
// way the nodes leave it: every kind of status file a task or a share can
// leave, frames counted only for a scene the queue holds.
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

// Scene 1 renders 30 frames in 3 tasks; scene 2 had every frame when the
// job was written, and the queue no longer holds it.
std::string JobText() {
  FarmJob job;
  FarmScene a, b;
  a.number = 1;
  a.scenePath = "C:\\S\\a.lws";
  a.plan = PlanChunks(1, 30, 1, 0, 10);
  a.expectedFrames = 30;
  b.number = 2;
  b.scenePath = "C:\\S\\b.lws";
  b.plan = PlanChunks(1, 5, 1, 5, 10);
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
      WriteWinFile("C:\\Out\\a\\img" + std::to_string(1000 + frame) + ".tga", "frame");
    EXPECT_EQ(FarmStatusText(row.typed, QueueOfSceneA()), row.text);
  }
}

}  // namespace
