// The farm job: the queue's frames cut into tasks, the job scripts run for
// real through sh (a stub renderer prints what it was given), the tasks'
// status files read back, the job folder written whole or not at all, and
// Tallowbridge.exe /farm.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/startup.h"
#include "farm/chunks.h"
#include "farm/farm_job.h"
#include "farm/job_folder.h"
#include "farm/shell_text.h"
#include "farm/task_status.h"
#include "persist/settings_file.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

using Ranges = std::vector<TaskRange>;

TEST(ChunkFramesTest, TasksFollowTheFramesLeft) {
  struct Row {
    const char* what;
    std::int64_t first, last, step, present, perTask;
    Ranges tasks;
  };
  const Row rows[] = {
      {"step 3, 10 frames a task", 1, 70, 3, 0, 10, {{1, 28, 3}, {31, 58, 3}, {61, 70, 3}}},
      {"12 frames already there", 1, 70, 3, 12, 10, {{37, 64, 3}, {67, 70, 3}}},
      {"every frame there: no task", 1, 70, 3, 24, 10, {}},
      {"more files than frames", 1, 70, 3, 30, 10, {}},
      {"a scene of one frame", 5, 5, 1, 0, 10, {{5, 5, 1}}},
      {"the first frame above the last", 10, 5, 1, 0, 10, {}},
      {"one task for all", 1, 100, 1, 0, 100000, {{1, 100, 1}}},
      {"a step of 0 counts as 1", 1, 10, 0, 0, 3, {{1, 3, 1}, {4, 6, 1}, {7, 9, 1}, {10, 10, 1}}},
      {"0 frames a task count as 1", 1, 3, 1, 0, 0, {{1, 1, 1}, {2, 2, 1}, {3, 3, 1}}},
      {"negative frames", -10, -1, 4, 1, 1, {{-6, -6, 4}, {-2, -1, 4}}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ChunkFrames(row.first, row.last, row.step, row.present, row.perTask), row.tasks) << row.what;
}

class FarmJobTest : public ProgramTest {
 protected:
  // A host folder for the shell runs, inside the test's own directory.
  std::string Host(const std::string& windowsPath) { return headless::HostPath(windowsPath); }
  static std::string Run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      std::size_t n;
      while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
      pclose(pipe);
    }
    return out;
  }
};

// Paths holding whatever a user's folder may hold go through the job
// script to the renderer as they stand, and run nothing on the way.
TEST_F(FarmJobTest, EveryPathReachesTheRendererAsItStandsAndRunsNothing) {
  const std::string work = Host("C:\\farm\\");
  fs::create_directories(work + "status");
  const std::string marker = work + "pwned";
  const std::string stub = work + "stub.sh";
  std::ofstream(stub) << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$STUB_OUT\"\nexit \"${STUB_EXIT:-0}\"\n";
  const std::vector<std::string> rows = {
      "C:\\Scenes\\plain.lws",
      "C:\\My Scenes\\two  blanks.lws",
      "C:\\q\\\"double\" and 'single'.lws",
      "C:\\x\\$(touch " + marker + ").lws",
      "C:\\x\\`touch " + marker + "`.lws",
      "C:\\x\\a;touch " + marker + "&b|c>d<e.lws",
      "C:\\x\\100% \\\\ back\\slash\\.lws",
      "C:\\x\\sz\xe8ne \xa7 d\xe9j\xe0.lws",
      "C:\\x\\$HOME ${PATH} \x1b[31m.lws",
  };
  for (const std::string& scene : rows) {
    SCOPED_TRACE(scene);
    FarmJob job;
    job.rendererPath = "C:\\LW\\Programs\\lwsn.exe";
    job.contentDirectory = "C:\\LW $(touch " + marker + ")\\";
    job.farm.nodeRenderer = "sh " + ShellQuote(stub);
    FarmScene s;
    s.number = 7;
    s.scenePath = scene;
    s.plan = PlanChunks(1, 3, 1, 0, 10);
    job.scenes.push_back(s);
    std::ofstream(work + "scene.sh", std::ios::binary) << SceneScript(job, s);
    const std::string out = work + "args.txt";
    Run("cd '" + work + "' && SLURM_ARRAY_TASK_ID=1 STUB_OUT='" + out + "' sh scene.sh 2>&1");
    std::ifstream in(out, std::ios::binary);
    std::vector<std::string> args;
    for (std::string line; std::getline(in, line);) args.push_back(line);
    EXPECT_EQ(args, (std::vector<std::string>{"-3", "-q", "-d" + job.contentDirectory, scene, "1", "3", "1"}));
    EXPECT_FALSE(fs::exists(marker)) << "something ran";
    const TaskStatus status = ReadTaskStatus("C:\\farm\\status\\scene-007-001.txt");
    EXPECT_EQ(static_cast<int>(status.state), static_cast<int>(TaskState::kFinished));
    EXPECT_EQ(status.exitCode, "0");
  }
  // A renderer that fails: the status says so, with its exit code.
  Run("cd '" + work + "' && SLURM_ARRAY_TASK_ID=1 STUB_EXIT=3 STUB_OUT=/dev/null sh scene.sh");
  const TaskStatus failed = ReadTaskStatus("C:\\farm\\status\\scene-007-001.txt");
  EXPECT_EQ(static_cast<int>(failed.state), static_cast<int>(TaskState::kFailed));
  EXPECT_EQ(failed.exitCode, "3");
  EXPECT_FALSE(failed.node.empty());
  EXPECT_FALSE(failed.ended.empty());

  // A renderer that crashes (killed by a signal), and a node without Wine
  // running the default node renderer: failed, with the shell's exit code.
  std::ofstream(stub) << "kill -SEGV $$\n";
  Run("cd '" + work + "' && SLURM_ARRAY_TASK_ID=1 sh scene.sh");
  const TaskStatus crashed = ReadTaskStatus("C:\\farm\\status\\scene-007-001.txt");
  EXPECT_EQ(static_cast<int>(crashed.state), static_cast<int>(TaskState::kFailed));
  EXPECT_EQ(crashed.exitCode, "139");
  FarmJob wineless;
  wineless.rendererPath = "C:\\LW\\Programs\\lwsn.exe";
  FarmScene s;
  s.number = 8;
  s.scenePath = "C:\\S\\a.lws";
  s.plan = PlanChunks(1, 3, 1, 0, 10);
  wineless.scenes.push_back(s);
  std::ofstream(work + "wineless.sh", std::ios::binary) << SceneScript(wineless, s);
  // Only what a job script needs besides Wine: the shell and its few tools.
  fs::create_directories(work + "bin");
  for (const char* tool : {"sh", "hostname", "date", "mv", "printf"})
    if (const std::string found = Run(std::string("command -v ") + tool + " | tr -d '\\n'"); found.rfind('/', 0) == 0)
      fs::create_symlink(found, work + "bin/" + tool);
  Run("cd '" + work + "' && SLURM_ARRAY_TASK_ID=1 PATH='" + work + "bin' sh wineless.sh");
  const TaskStatus noWine = ReadTaskStatus("C:\\farm\\status\\scene-008-001.txt");
  EXPECT_EQ(static_cast<int>(noWine.state), static_cast<int>(TaskState::kFailed));
  EXPECT_EQ(noWine.exitCode, "127");
}

TEST_F(FarmJobTest, StatusFilesThatAreNotWholeReadAsUnknown) {
  struct Row {
    const char* what;
    const char* bytes;   // nullptr: no file
    TaskState state;
    const char* exitCode;
  };
  const Row rows[] = {
      {"no file yet", nullptr, TaskState::kWaiting, ""},
      {"empty", "", TaskState::kUnknown, ""},
      {"garbage", "\x01\x02 not a status \xff", TaskState::kUnknown, ""},
      {"cut off", "[Task]\r\nState = runn", TaskState::kUnknown, ""},
      {"running", "[Task]\r\nState = running\r\nNode = n1\r\n", TaskState::kRunning, ""},
      {"failed, any case", "[Task]\r\nState = FAILED\r\nExit code = 127\r\n", TaskState::kFailed, "127"},
      {"finished", "[Task]\r\nState = finished\r\nExit code = 0\r\n", TaskState::kFinished, "0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string path = "C:\\farm\\status\\t.txt";
    fs::remove(Host(path));
    if (row.bytes) WriteWinFile(path, row.bytes);
    const TaskStatus status = ReadTaskStatus(path);
    EXPECT_EQ(static_cast<int>(status.state), static_cast<int>(row.state));
    EXPECT_EQ(status.exitCode, row.exitCode);
  }
}

// Every file operation of a write fails in turn, as a full or read-only
// share would: the job folder is the old one or the whole new one, and
// nothing else is left beside it.
TEST_F(FarmJobTest, AJobFolderIsWrittenWholeOrNotAtAll) {
  FarmJob job;
  job.rendererPath = "C:\\LW\\Programs\\lwsn.exe";
  for (int n = 1; n <= 3; ++n) {
    FarmScene s;
    s.number = n;
    s.scenePath = "C:\\S\\s" + std::to_string(n) + ".lws";
    s.plan = PlanChunks(1, n == 2 ? 0 : 30, 1, 0, 10);
    job.scenes.push_back(s);
  }
  const std::string folder = "C:\\P\\night.farm\\";
  for (int fail = 1;; ++fail) {
    SCOPED_TRACE(fail);
    fs::remove_all(Host("C:\\P\\"));
    WriteWinFile(folder + "old-marker.txt", "old");
    headless::FailFileOperation(fail);
    std::string error;
    const bool ok = WriteJobFolder(job, folder, error);
    const std::size_t operations = headless::FileOperations().size();
    headless::FailFileOperation(0);
    EXPECT_EQ(ok, error.empty());
    const bool old = WinFileExists(folder + "old-marker.txt");
    EXPECT_NE(old, ok) << error;
    if (ok) {
      for (const char* name : {"submit.sh", "job.txt", "README.txt", "scene-001.sh", "scene-003.sh"})
        EXPECT_TRUE(WinFileExists(folder + name)) << name;
      EXPECT_FALSE(WinFileExists(folder + "scene-002.sh"));
    }
    // A leftover of a write cut off goes with the next one.
    std::string again;
    ASSERT_TRUE(WriteJobFolder(job, folder, again)) << again;
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(Host("C:\\P\\"))) beside.push_back(entry.path().filename());
    EXPECT_EQ(beside, std::vector<std::string>{"night.farm"});
    if (static_cast<std::size_t>(fail) > operations) break;
  }
  const std::string submit = ReadWinFile(folder + "submit.sh");
  EXPECT_NE(submit.find("submit 1 3 scene-001.sh no\n"), std::string::npos) << submit;
  EXPECT_NE(submit.find("submit 3 3 scene-003.sh no\n"), std::string::npos) << submit;
  EXPECT_EQ(submit.find("scene-002"), std::string::npos);
  EXPECT_EQ(submit.find('\r'), std::string::npos);
}

// Tallowbridge.exe /farm night.tbp writes night.farm\ and ends: 0 when
// written, 1 with the reason beside the project; also while another copy
// holds the program folder, and without a window or a message box.
TEST_F(FarmJobTest, TheFarmCommandWritesTheFolderOrSaysWhy) {
  struct Row {
    const char* what;
    std::string project;   // "" for no file
    int exitCode;
    const char* errorStart;
  };
  const std::string scenes = "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 2\r\nScene0 = C:\\S\\s1.lws\r\nScene1 = C:\\S\\s2.lws\r\n";
  const Row rows[] = {
      {"two scenes", scenes, 0, ""},
      {"no scenes", "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 0\r\n", 1, "The project C:\\P\\night.tbp queues no scenes"},
      {"no project", "", 1, "Could not load the project C:\\P\\night.tbp"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    WriteWinFile("C:\\S\\s1.lws", MakeScene(1, 30, 1, "C:\\Out\\s1\\img"));
    WriteWinFile("C:\\S\\s2.lws", MakeScene(1, 5, 1, "C:\\Out\\s2\\img"));
    WriteWinFile("C:\\Out\\s2\\img0001.tga", "f");
    fs::create_directories(Host("C:\\P\\"));
    if (!row.project.empty()) WriteWinFile("C:\\P\\night.tbp", row.project);
    headless::SetCommandLineFiles({"/farm", "C:\\P\\night.tbp"});
    headless::SetFolderHeldElsewhere();
    EXPECT_EXIT(StartUp(), ::testing::ExitedWithCode(row.exitCode), "");
    const std::string error = "C:\\P\\night.farm-error.txt";
    if (row.exitCode == 0) {
      EXPECT_FALSE(WinFileExists(error));
      const std::string submit = ReadWinFile("C:\\P\\night.farm\\submit.sh");
      EXPECT_NE(submit.find("submit 1 3 scene-001.sh no\n"), std::string::npos) << submit;
      EXPECT_NE(submit.find("submit 2 1 scene-002.sh no\n"), std::string::npos) << submit;
      EXPECT_NE(ReadWinFile("C:\\P\\night.farm\\scene-002.sh").find("first=$((2 + (task - 1) * 10))"),
                std::string::npos);
    } else {
      EXPECT_EQ(ReadWinFile(error).rfind(row.errorStart, 0), 0u) << "[" << ReadWinFile(error) << "]";
      EXPECT_FALSE(WinFileExists("C:\\P\\night.farm\\submit.sh"));
    }
  }
}

TEST(JobFolderTest, FolderNamesAndTheCommandForTheCluster) {
  FarmSettings farm;
  EXPECT_EQ(JobFolderFor("C:\\Jobs\\night.tbp"), "C:\\Jobs\\night.farm\\");
  EXPECT_EQ(JobFolderFor("C:\\Jobs.v2\\night"), "C:\\Jobs.v2\\night.farm\\");
  EXPECT_EQ(JobFolderFor(""), "");
  EXPECT_EQ(ClusterPath("P:\\Jobs\\night.farm\\", farm), "P:\\Jobs\\night.farm\\");
  farm.shareHere = "p:\\";
  farm.shareOnCluster = "/mnt/projects";
  EXPECT_EQ(ClusterPath("P:\\Jobs\\night.farm\\", farm), "/mnt/projects/Jobs/night.farm/");
  EXPECT_EQ(ClusterPath("Q:\\Jobs\\night.farm\\", farm), "Q:\\Jobs\\night.farm\\");
  EXPECT_EQ(SchedulerName("shot 1; rm -rf $(x).lws"), "shot_1__rm_-rf___x_.lws");
}

}  // namespace
