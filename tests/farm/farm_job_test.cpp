// The farm job: the queue's frames cut into tasks, the job scripts run for
// real through sh (a stub renderer prints what it was given), the tasks'
// status files read back, the job folder written whole or not at all, and
// Tallowbridge.exe /farm.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
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
#include "platform/platform.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

using Ranges = std::vector<TaskRange>;

// Tasks are cut from the runs of missing frame numbers: a failed task in
// the middle leaves a hole a count of files cannot see.
TEST(MissingFramePlanTest, TasksComeFromTheRunsOfMissingFrames) {
  struct Row {
    const char* what;
    std::int64_t first, last, step;
    std::vector<std::int64_t> present;
    std::int64_t perTask;
    Ranges tasks;
  };
  const Row rows[] = {
      {"nothing there: 1-12 in tasks of 4", 1, 12, 1, {}, 4, {{1, 4, 1}, {5, 8, 1}, {9, 12, 1}}},
      {"task 2 failed: only 5-8", 1, 12, 1, {1, 2, 3, 4, 9, 10, 11, 12}, 4, {{5, 8, 1}}},
      {"holes cut at every present frame", 1, 12, 1, {3, 4, 9}, 4, {{1, 2, 1}, {5, 8, 1}, {10, 12, 1}}},
      {"a long run cut by frames per task", 1, 12, 1, {1}, 4, {{2, 5, 1}, {6, 9, 1}, {10, 12, 1}}},
      {"step 3: frames 1 4 7 ... 22", 1, 22, 3, {4, 16}, 2, {{1, 1, 3}, {7, 10, 3}, {13, 13, 3}, {19, 22, 3}}},
      {"off the step, out of the range, twice: nothing", 1, 12, 1, {0, 13, -4, 99, 5, 5}, 12, {{1, 4, 1}, {6, 12, 1}}},
      {"off the step counts nothing", 1, 10, 3, {2, 3, 5, 6}, 10, {{1, 10, 3}}},
      {"every frame there: no task", 1, 5, 2, {5, 3, 1}, 10, {}},
      {"last frame off the step is not passed", 1, 20, 3, {}, 100, {{1, 19, 3}}},
      {"a scene of one frame", 5, 5, 1, {}, 10, {{5, 5, 1}}},
      {"the first frame above the last", 10, 5, 1, {}, 10, {}},
      {"step 0 and 0 frames a task count as 1", 1, 3, 0, {2}, 0, {{1, 1, 1}, {3, 3, 1}}},
      {"negative frames", -10, -1, 4, {-6}, 1, {{-10, -10, 4}, {-2, -2, 4}}},
  };
  for (const Row& row : rows) {
    const ChunkPlan plan = PlanMissingFrames(row.first, row.last, row.step, row.present, row.perTask);
    EXPECT_EQ(PlanTasks(plan), row.tasks) << row.what;
    std::int64_t frames = 0;
    for (const TaskRange& t : row.tasks) frames += (t.last - t.first) / t.step + 1;
    EXPECT_EQ(plan.Frames(), frames) << row.what;
  }
}

// A frame a task left cut off counts as missing. Tasks write their frames
// in order, so only the last frame of a run, and a frame shorter than the
// scene's usual one, are read; a whole frame in the middle is never opened.
class FramesPresentTest : public HeadlessTest {};

TEST_F(FramesPresentTest, ACutFrameCountsAsMissingAndOnlySuspectsAreRead) {
  const auto tga = [](std::size_t keep = std::string::npos) { return SmallTga(keep); };
  struct Row {
    const char* what;
    std::map<int, std::string> frames;   // number -> bytes
    std::vector<std::int64_t> present;
    int opened;                          // frames read to judge them
  };
  std::map<int, std::string> all;
  for (int f = 1; f <= 12; ++f) all[f] = tga();
  auto with = [&](std::map<int, std::string> changes, std::vector<int> gone = {}) {
    auto frames = all;
    for (auto& [f, bytes] : changes) frames[f] = bytes;
    for (int f : gone) frames.erase(f);
    return frames;
  };
  const Row rows[] = {
      {"every frame whole: the last is read", all, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 1},
      {"a task died writing 5", with({{5, tga(20)}}, {6, 7, 8}), {1, 2, 3, 4, 9, 10, 11, 12}, 2},
      {"a task died on its last frame, 4, the next task's 5 is there", with({{4, tga(25)}}),
       {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12}, 2},
      {"0 bytes in the middle", with({{7, ""}}), {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12}, 2},
      {"the last frame cut", with({{12, tga(25)}}), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 1},
  };
  SceneEntry entry{};
  entry[kFieldOutputDir] = "C:\\Out\\";
  entry[kFieldOutputPrefix] = "f";
  entry[kFieldOutputFilenameFormat] = "3";
  entry[kFieldImageExtension] = ".tga";
  entry[kFieldFirstFrame] = "1";
  entry[kFieldLastFrame] = "12";
  entry[kFieldFrameStep] = "1";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove_all(headless::HostPath("C:\\Out\\"));
    fs::create_directories(headless::HostPath("C:\\Out\\"));
    for (const auto& [f, bytes] : row.frames) WriteWinFile("C:\\Out\\f" + std::to_string(10000 + f).substr(1) + ".tga", bytes);
    headless::FailFileOperation(0);
    EXPECT_EQ(FramesPresent(entry), row.present);
    int opened = 0;
    for (const std::string& op : headless::FileOperations()) opened += op.rfind("open ", 0) == 0;
    EXPECT_EQ(opened, row.opened);
  }
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
  std::ofstream(stub) << "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$STUB_OUT\"\nexit \"${STUB_EXIT:-0}\"\n";
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
      "C:\\x\\cr\rlf\n!bang %PATH% !x!.lws",
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
    s.plan = PlanMissingFrames(1, 3, 1, {}, 10);
    job.scenes.push_back(s);
    std::ofstream(work + "scene.sh", std::ios::binary) << SceneScript(job, s);
    const std::string out = work + "args.txt";
    Run("cd '" + work + "' && SLURM_ARRAY_TASK_ID=0 STUB_OUT='" + out + "' sh scene.sh 2>&1");
    std::ifstream in(out, std::ios::binary);
    std::vector<std::string> args;
    for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
    // Text in job scripts is UTF-8: Wine on the node reads it so.
    EXPECT_EQ(args, (std::vector<std::string>{"-3", "-q", pf::AnsiToUtf8("-d" + job.contentDirectory),
                                              pf::AnsiToUtf8(scene), "1", "3", "1"}));
    EXPECT_FALSE(fs::exists(marker)) << "something ran";
    const TaskStatus status = ReadTaskStatus("C:\\farm\\status\\scene-007-001.txt");
    EXPECT_EQ(static_cast<int>(status.state), static_cast<int>(TaskState::kFinished));
    EXPECT_EQ(status.exitCode, "0");
  }
  // A renderer that fails: the status says so, with its exit code.
  Run("cd '" + work + "' && SLURM_ARRAY_TASK_ID=0 STUB_EXIT=3 STUB_OUT=/dev/null sh scene.sh");
  const TaskStatus failed = ReadTaskStatus("C:\\farm\\status\\scene-007-001.txt");
  EXPECT_EQ(static_cast<int>(failed.state), static_cast<int>(TaskState::kFailed));
  EXPECT_EQ(failed.exitCode, "3");
  EXPECT_FALSE(failed.node.empty());
  EXPECT_FALSE(failed.ended.empty());

  // A renderer that crashes (killed by a signal), and a node without Wine
  // running the default node renderer: failed, with the shell's exit code.
  std::ofstream(stub) << "kill -SEGV $$\n";
  Run("cd '" + work + "' && SLURM_ARRAY_TASK_ID=0 sh scene.sh");
  const TaskStatus crashed = ReadTaskStatus("C:\\farm\\status\\scene-007-001.txt");
  EXPECT_EQ(static_cast<int>(crashed.state), static_cast<int>(TaskState::kFailed));
  EXPECT_EQ(crashed.exitCode, "139");
  // A node renderer command the node does not have: failed, 127.
  FarmJob missingRenderer;
  missingRenderer.farm.nodeRenderer = "tb-no-such-renderer";
  FarmScene s;
  s.number = 7;
  s.scenePath = "C:\\S\\a.lws";
  s.plan = PlanMissingFrames(1, 3, 1, {}, 10);
  std::ofstream(work + "scene.sh", std::ios::binary) << SceneScript(missingRenderer, s);
  Run("cd '" + work + "' && SLURM_ARRAY_TASK_ID=0 sh scene.sh >/dev/null 2>&1");
  const TaskStatus missing = ReadTaskStatus("C:\\farm\\status\\scene-007-001.txt");
  EXPECT_EQ(static_cast<int>(missing.state), static_cast<int>(TaskState::kFailed));
  EXPECT_EQ(missing.exitCode, "127");
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
    s.plan = PlanMissingFrames(1, n == 2 ? 0 : 30, 1, {}, 10);
    job.scenes.push_back(s);
  }
  const std::string folder = "C:\\P\\night.farm\\";
  for (int fail = 1;; ++fail) {
    SCOPED_TRACE(fail);
    fs::remove_all(Host("C:\\P\\"));
    WriteWinFile(folder + "old-marker.txt", "old");
    WriteWinFile(folder + "job.txt", "[Farm Job]\r\nScenes = 0\r\n");
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
// holds the program folder, and without a window or a message box. A
// folder whose jobs may still run and paths the nodes cannot see need
// /force; a folder of the user's is refused always, and stays as it was.
TEST_F(FarmJobTest, TheFarmCommandWritesTheFolderOrSaysWhy) {
  struct Row {
    const char* what;
    std::string project;   // "" for no file
    std::vector<std::string> args;
    std::function<void()> before;
    int exitCode;
    const char* errorStart;
  };
  const std::string scenes = "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 2\r\nScene0 = C:\\S\\s1.lws\r\nScene1 = C:\\S\\s2.lws\r\n";
  const std::vector<std::string> plain = {"/farm", "C:\\P\\night.tbp"};
  const std::vector<std::string> forced = {"/farm", "C:\\P\\night.tbp", "/force"};
  auto stillRunning = [] {
    WriteWinFile("C:\\P\\night.farm\\job.txt", "[Farm Job]\r\nScenes = 1\r\n[Scene1]\r\nScene = C:\\S\\s1.lws\r\nTasks = 3\r\n");
    WriteWinFile("C:\\P\\night.farm\\jobs.txt", "4711 scene-001 0 3\n");
    WriteWinFile("C:\\P\\night.farm\\status\\scene-001-001.txt", "[Task]\r\nState = finished\r\n");
    WriteWinFile("C:\\P\\night.farm\\status\\scene-001-002.txt", "[Task]\r\nState = running\r\n");
  };
  auto shareP = [] { WriteWinFile("C:\\Tallowbridge\\Tallowbridge.ini", ReadWinFile("C:\\Tallowbridge\\Tallowbridge.ini") + "[Farm]\r\nShare on this computer = P:\\\r\nShare on the cluster = /mnt/p\r\n"); };
  auto usersFolder = [] { WriteWinFile("C:\\P\\night.farm\\mine.txt", "the user's"); };
  const Row rows[] = {
      {"two scenes", scenes, plain, nullptr, 0, ""},
      {"no scenes", "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 0\r\n", plain, nullptr, 1, "The project C:\\P\\night.tbp queues no scenes"},
      {"no project", "", plain, nullptr, 1, "Could not load the project C:\\P\\night.tbp"},
      {"jobs that may still run", scenes, plain, stillRunning, 1,
       "The jobs of C:\\P\\night.farm\\ may still run: 2 task(s) have not ended."},
      {"jobs that may still run, /force", scenes, forced, stillRunning, 0, ""},
      {"paths the nodes cannot see", scenes, plain, shareP, 1, "The nodes cannot see C:\\LW\\\r\nThe nodes cannot see C:\\S\\s1.lws\r\n"},
      {"paths the nodes cannot see, /force", scenes, forced, shareP, 0, ""},
      {"a folder of the user's, even with /force", scenes, forced, usersFolder, 1,
       "The folder C:\\P\\night.farm\\ is not a farm job folder of Tallowbridge"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    WriteWinFile("C:\\S\\s1.lws", MakeScene(1, 30, 1, "C:\\Out\\s1\\img"));
    WriteWinFile("C:\\S\\s2.lws", MakeScene(1, 5, 1, "C:\\Out\\s2\\img"));
    WriteWinFile("C:\\Out\\s2\\img0001.tga", "f");
    WriteWinFile("C:\\Out\\s2\\img0004.tga", "f");
    fs::create_directories(Host("C:\\P\\"));
    if (!row.project.empty()) WriteWinFile("C:\\P\\night.tbp", row.project);
    if (row.before) row.before();
    headless::SetCommandLineFiles(row.args);
    headless::SetFolderHeldElsewhere();
    EXPECT_EXIT(StartUp(), ::testing::ExitedWithCode(row.exitCode), "");
    const std::string error = "C:\\P\\night.farm-error.txt";
    if (row.exitCode == 0) {
      EXPECT_FALSE(WinFileExists(error));
      const std::string submit = ReadWinFile("C:\\P\\night.farm\\submit.sh");
      EXPECT_NE(submit.find("submit 1 3 scene-001.sh no\n"), std::string::npos) << submit;
      EXPECT_NE(submit.find("submit 2 2 scene-002.sh no\n"), std::string::npos) << submit;
      // Frames 1 and 4 are there: 2-3 and 5 are rendered.
      EXPECT_NE(ReadWinFile("C:\\P\\night.farm\\scene-002.sh").find("<<'RUNS'\n2 3 1\n5 5 1\nRUNS\n"), std::string::npos);
      EXPECT_FALSE(WinFileExists("C:\\P\\night.farm\\jobs.txt"));
    } else {
      EXPECT_EQ(ReadWinFile(error).rfind(row.errorStart, 0), 0u) << "[" << ReadWinFile(error) << "]";
      EXPECT_FALSE(WinFileExists("C:\\P\\night.farm\\submit.sh"));
    }
    if (row.exitCode != 0 && row.project == scenes && row.args == forced) EXPECT_EQ(ReadWinFile("C:\\P\\night.farm\\mine.txt"), "the user's");
  }
}

TEST(JobFolderTest, FolderNames) {
  EXPECT_EQ(JobFolderFor("C:\\Jobs\\night.tbp"), "C:\\Jobs\\night.farm\\");
  EXPECT_EQ(JobFolderFor("C:\\Jobs.v2\\night"), "C:\\Jobs.v2\\night.farm\\");
  EXPECT_EQ(JobFolderFor(""), "");
  EXPECT_EQ(SchedulerName("shot 1; rm -rf $(x).lws"), "shot_1__rm_-rf___x_.lws");
  EXPECT_EQ(SchedulerWord(" render,gpu;$(x)", ","), "render,gpux");
}

// The "Run on the cluster" line is shell text: pasted, it runs submit.sh
// of exactly that folder and nothing else. The share matches at a folder
// boundary only.
class RunLineTest : public HeadlessTest {};
TEST_F(RunLineTest, TheRunLineIsOneShellWordUnderTheShareAtAFolderBoundary) {
  struct Row {
    const char* what;
    std::string here, there, folder;
    std::string path;   // what sh is given
  };
  const Row rows[] = {
      {"no share", "", "", "P:\\Jobs\\night.farm\\", "P:\\Jobs\\night.farm\\submit.sh"},
      {"under the share", "p:\\jobs", "/mnt/jobs", "P:\\Jobs\\My Show $(id)\\night.farm\\",
       "/mnt/jobs/My Show $(id)/night.farm/submit.sh"},
      {"share with its backslash", "P:\\Jobs\\", "/mnt/jobs/", "P:\\Jobs\\a'b`c`;d\\", "/mnt/jobs/a'b`c`;d/submit.sh"},
      {"a drive root", "P:\\", "/mnt/p", "P:\\x\\", "/mnt/p/x/submit.sh"},
      {"P:\\Jobs2 is not under P:\\Jobs", "P:\\Jobs", "/mnt/jobs", "P:\\Jobs2\\n.farm\\", "P:\\Jobs2\\n.farm\\submit.sh"},
      {"the share itself", "P:\\Jobs", "/mnt/jobs", "P:\\Jobs\\", "/mnt/jobs/submit.sh"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FarmJob job;
    job.farm.shareHere = row.here;
    job.farm.shareOnCluster = row.there;
    const std::string message = WrittenMessage(job, row.folder);
    const std::string line = message.substr(message.rfind("\n  sh ") + 6);
    // The shell reads the word back as the path, and runs nothing.
    const std::string marker = headless::HostPath("C:\\") + "ran";
    const std::string command = "cd '" + headless::HostPath("C:\\") + "' && printf '%s' " + line;
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[512];
      for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
      pclose(pipe);
    }
    EXPECT_EQ(out, row.path) << line;
    EXPECT_EQ(line, ShellQuote(row.path));
  }
}

// Only the program's own job folder (its job.txt with [Farm Job]) or an
// empty folder is replaced; anything else is refused and nothing in it
// changes. Copies beside it are the program's own by name and marker; a
// link inside the job folder goes as a link.
class FolderRuleTest : public HeadlessTest {};
TEST_F(FolderRuleTest, OnlyTheProgramsOwnOrAnEmptyFolderIsReplaced) {
  struct Row {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;   // below C:\P\ before: name, bytes ("/" a folder)
    std::string folder;
    bool written;
    std::vector<std::string> after;   // what must still be there, with its bytes
  };
  const std::string job = "[Farm Job]\r\nScenes = 0\r\n";
  const Row rows[] = {
      {"a new folder", {}, "C:\\P\\night.farm\\", true, {}},
      {"an empty folder", {{"night.farm", "/"}}, "C:\\P\\night.farm\\", true, {}},
      {"the program's own", {{"night.farm\\job.txt", job}, {"night.farm\\status\\a.txt", "x"}}, "C:\\P\\night.farm", true, {}},
      {"a parent of the shows", {{"Show1\\shot.lws", "s1"}, {"Show2\\out\\f.tga", "f"}}, "C:\\P\\", false,
       {"Show1\\shot.lws", "Show2\\out\\f.tga"}},
      {"a user's folder with a file", {{"night.farm\\mine.txt", "mine"}}, "C:\\P\\night.farm\\", false, {"night.farm\\mine.txt"}},
      {"a job.txt that is no job", {{"night.farm\\job.txt", "[Scenes]\r\n"}}, "C:\\P\\night.farm\\", false, {"night.farm\\job.txt"}},
      {"a file by that name", {{"night.farm", "a file"}}, "C:\\P\\night.farm\\", false, {"night.farm"}},
      {"the user's _old and _temp stay", {{"night.farm_old\\a.txt", "o"}, {"night.farm_temp\\b.txt", "t"}}, "C:\\P\\night.farm\\",
       true, {"night.farm_old\\a.txt", "night.farm_temp\\b.txt"}},
      {"a copy by name without the marker stays",
       {{"night.farm.tb-old-1\\c.txt", "c"}, {"night.farm.tb-temp-x\\d.txt", "d"}}, "C:\\P\\night.farm\\", true,
       {"night.farm.tb-old-1\\c.txt", "night.farm.tb-temp-x\\d.txt"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    fs::create_directories(headless::HostPath("C:\\P\\"));
    for (const auto& [name, bytes] : row.files) {
      if (bytes == "/") fs::create_directories(headless::HostPath("C:\\P\\" + name));
      else WriteWinFile("C:\\P\\" + name, bytes);
    }
    std::string bytesBefore;
    for (const auto& name : row.after) bytesBefore += ReadWinFile("C:\\P\\" + name) + "|";
    FarmJob farmJob;
    std::string error;
    EXPECT_EQ(WriteJobFolder(farmJob, row.folder, error), row.written) << error;
    if (!row.written) {
      EXPECT_NE(error.find(row.folder), std::string::npos) << error;
    }
    std::string bytesAfter;
    for (const auto& name : row.after) bytesAfter += ReadWinFile("C:\\P\\" + name) + "|";
    EXPECT_EQ(bytesAfter, bytesBefore);
    if (row.written) {
      EXPECT_TRUE(WinFileExists(row.folder + (row.folder.back() == '\\' ? "" : "\\") + "job.txt"));
    }
  }

  // Links inside the job folder and a leftover copy: the links go, what
  // they point to stays; the job folder itself as a link is refused.
  TearDown();
  SetUp();
  WriteWinFile("C:\\Show\\keep.tga", "keep");
  WriteWinFile("C:\\P\\night.farm\\job.txt", job);
  WriteWinFile("C:\\P\\night.farm.tb-old-99\\tallowbridge-farm-copy.txt", "m");
  fs::create_directory_symlink(headless::HostPath("C:\\Show"), headless::HostPath("C:\\P\\night.farm\\log"));
  fs::create_directory_symlink(headless::HostPath("C:\\Show"), headless::HostPath("C:\\P\\night.farm.tb-old-99\\show"));
  fs::create_symlink(headless::HostPath("C:\\Show\\keep.tga"), headless::HostPath("C:\\P\\night.farm\\f.tga"));
  std::string error;
  EXPECT_TRUE(WriteJobFolder(FarmJob{}, "C:\\P\\night.farm\\", error)) << error;
  EXPECT_EQ(ReadWinFile("C:\\Show\\keep.tga"), "keep");
  EXPECT_FALSE(fs::is_symlink(headless::HostPath("C:\\P\\night.farm\\log")));
  EXPECT_FALSE(fs::exists(headless::HostPath("C:\\P\\night.farm.tb-old-99")));
  fs::create_directory_symlink(headless::HostPath("C:\\P\\night.farm"), headless::HostPath("C:\\P\\link.farm"));
  EXPECT_FALSE(WriteJobFolder(FarmJob{}, "C:\\P\\link.farm\\", error));
  EXPECT_TRUE(WinFileExists("C:\\P\\night.farm\\job.txt"));
  std::vector<std::string> beside;
  for (const auto& entry : fs::directory_iterator(headless::HostPath("C:\\P\\"))) beside.push_back(entry.path().filename());
  std::sort(beside.begin(), beside.end());
  EXPECT_EQ(beside, (std::vector<std::string>{"link.farm", "night.farm"}));
}

}  // namespace
