// Project files: the bytes saved, loading them back, what a damaged file
// gives, and the start-up reload with and without continuing.
#include <filesystem>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "persist/project_file.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

using headless::Messages;
using headless::PushGadget;
using Texts = std::vector<std::string>;

const std::string kProject = "C:\\Jobs\\night.tbp";

std::string CrLf(const Texts& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

class ProjectTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    for (const char* name : {"a", "b"})
      WriteWinFile(std::string("C:\\Scenes\\") + name + ".lws", MakeScene(1, 10, 1, "C:\\Out\\img"));
    std::filesystem::create_directories(headless::HostPath("C:\\Jobs"));
  }
  static void Add(const std::string& path) {
    headless::QueueFileAnswer(path);
    PushGadget(kAddSceneButton);
  }
  static void Load(const std::string& path) {
    headless::QueueFileAnswer(path);
    PushGadget(kLoadProjectButton);
  }
};

TEST_F(ProjectTest, SavedBytesAndTheQueueLoadedBack) {
  Run({[] {
         pf::PlaceWindow(kMainWindow, 150, 150);
         Add("C:\\Scenes\\a.lws");
         Add("C:\\Scenes\\b.lws");
         headless::QueueFileAnswer("C:\\Jobs\\night");
         PushGadget(kSaveProjectButton);
       },
       [] {
         EXPECT_EQ(ReadWinFile(kProject),
                   CrLf({"[TALLOWBRIDGE1]", ";Tallowbridge v1.1 project file.", ";", "[Required Settings]",
                         "LWSN.EXE Location = C:\\LW\\Programs\\lwsn.exe", "Content Directory = C:\\LW\\", ";",
                         "[Program Settings]", "WindowX = 150", "WindowY = 150", "View Output Directory Window = NO",
                         "Last Scene Directory = C:\\Scenes\\", "Scene Queue View = FullPath", "[Scenes]", "# = 2",
                         "Scene0 = C:\\Scenes\\a.lws", "Scene1 = C:\\Scenes\\b.lws"}));
         EXPECT_FALSE(WinFileExists(kProject + "_temp"));
         // A second save in another layout, then the queue cleared.
         pf::PlaceWindow(kMainWindow, 300, 40);
         PushGadget(kParentDirViewCheck);
         headless::PushListSelect(kQueueList, 1);
         PushGadget(kViewOutputDirButton);
         headless::QueueFileAnswer(kProject);
         PushGadget(kSaveProjectButton);
         headless::QueueAnswer(pf::kAnswerYes);
         PushGadget(kClearScenesButton);
       },
       [] {
         EXPECT_EQ(g.queue.count, 0);
         EXPECT_EQ(pf::WindowInnerWidth(kMainWindow), kNarrowWidth);
         pf::PlaceWindow(kMainWindow, 10, 10);
         Load(kProject);
       }});
  EXPECT_EQ(Lines(kQueueList), (Texts{"C:\\Scenes\\a.lws", "C:\\Scenes\\b.lws"}));
  EXPECT_EQ(g.queue.fields[1][kFieldLastFrame], "10");
  EXPECT_EQ(pf::WindowX(kMainWindow), 300);
  EXPECT_EQ(pf::WindowY(kMainWindow), 40);
  EXPECT_EQ(pf::WindowInnerWidth(kMainWindow), kWideWidth);
  EXPECT_EQ(pf::ControlText(kViewOutputDirButton), "Close Directory View <<");
  EXPECT_EQ(State(kParentDirViewCheck), 1);
  EXPECT_EQ(State(kSceneFileOnlyCheck), 0);
  EXPECT_EQ(State(kQueueList), 1);   // the last scene read is selected
  EXPECT_EQ(Text(kQueueCountText), "2 Scene File(s) In Queue");
  EXPECT_EQ(g.currentProjectPath, kProject);
  EXPECT_TRUE(Messages().empty() || Messages().back().title != "Error!");
}

TEST(ProjectNameTest, TheExtensionIsForced) {
  struct Row {
    const char *chosen, *saved;
  };
  const Row rows[] = {
      {"C:\\Jobs\\queue", "C:\\Jobs\\queue.tbp"},      {"C:\\Jobs\\queue.tbp", "C:\\Jobs\\queue.tbp"},
      {"C:\\Jobs\\queue.old.txt", "C:\\Jobs\\queue.tbp"}, {"C:\\Jobs.2004\\queue", "C:\\Jobs.2004\\queue.tbp"},
      {"queue", "queue.tbp"},
  };
  for (const Row& row : rows) EXPECT_EQ(ProjectPathWithExtension(row.chosen), row.saved) << row.chosen;
}

// A save never overwrites another project unasked, and never leaves a
// file cut short.
TEST_F(ProjectTest, SavingKeepsTheOldFileUnlessItIsReplacedWhole) {
  struct Row {
    const char* what;
    const char* chosen;
    int answer;                  // to the overwrite question, 0 when none is asked
    bool failWrites, failReplace;
    bool replaced;
    const char* error;
  };
  const Row rows[] = {
      {"the name as chosen", "C:\\Jobs\\night.tbp", 0, false, false, true, ""},
      {"a forced name over another file, No", "C:\\Jobs\\night", pf::kAnswerNo, false, false, false, ""},
      {"a forced name over another file, Yes", "C:\\Jobs\\night", pf::kAnswerYes, false, false, true, ""},
      {"the disk fills up", "C:\\Jobs\\night.tbp", 0, true, false, false, "Could not save project, already in use?"},
      {"the old file cannot be replaced", "C:\\Jobs\\night.tbp", 0, false, true, false,
       "Could not save project, already in use?"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    WriteWinFile(kProject, "old project");
    Run({[] { Add("C:\\Scenes\\a.lws"); },
         [&row] {
           if (row.answer) headless::QueueAnswer(row.answer);
           if (row.failWrites) headless::FailWritesAfter(100);
           headless::FailReplace(row.failReplace);
           headless::QueueFileAnswer(row.chosen);
           PushGadget(kSaveProjectButton);
         }});
    headless::FailWritesAfter(-1);
    const std::string saved = ReadWinFile(kProject);
    EXPECT_EQ(saved == "old project", !row.replaced);
    if (row.replaced) {
      EXPECT_NE(saved.find("Scene0 = C:\\Scenes\\a.lws\r\n"), std::string::npos);
    }
    EXPECT_FALSE(WinFileExists(kProject + "_temp"));
    int questions = 0;
    std::string error;
    for (const auto& m : Messages()) {
      questions += m.title == "Question";
      if (m.title == "Error!") error = m.text;
    }
    EXPECT_EQ(questions, row.answer ? 1 : 0);
    EXPECT_EQ(error, row.error);
  }
}

TEST_F(ProjectTest, DamagedProjectsLoadWhatTheySoundlyCanOrAreRefused) {
  const std::string head = "[TALLOWBRIDGE1]\r\n[Scenes]\r\n";
  const std::string a = "Scene0 = C:\\Scenes\\a.lws\r\n", b = "Scene1 = C:\\Scenes\\b.lws\r\n";
  struct Row {
    const char* what;
    std::string bytes;   // "-" for no file
    bool refused;
    Texts queue;         // afterwards; a refused file leaves the queue as it was
  };
  const Row rows[] = {
      {"missing", "-", true, {"C:\\Scenes\\b.lws"}},
      {"empty", "", true, {"C:\\Scenes\\b.lws"}},
      {"binary", std::string("\x7f" "ELF\0\1\2\3", 8), true, {"C:\\Scenes\\b.lws"}},
      {"a settings file", "[Required Settings]\r\nLWSN.EXE Location = x\r\n", true, {"C:\\Scenes\\b.lws"}},
      {"header in other letters", "[tallowbridge1]\r\n[Scenes]\r\n# = 1\r\n" + a, false, {"C:\\Scenes\\a.lws"}},
      {"header not on the first line", ";note\r\n\r\n" + head + "# = 1\r\n" + a, false, {"C:\\Scenes\\a.lws"}},
      {"a huge count", head + "# = 2000000000\r\n" + a + b, false, {"C:\\Scenes\\a.lws", "C:\\Scenes\\b.lws"}},
      {"a negative count", head + "# = -5\r\n" + a, false, {}},
      {"no count", head + a + b, false, {"C:\\Scenes\\a.lws", "C:\\Scenes\\b.lws"}},
      {"a gap in the numbers", head + "# = 3\r\n" + a + "Scene2 = C:\\Scenes\\b.lws\r\n", false,
       {"C:\\Scenes\\a.lws"}},
      {"scenes gone or not scenes, and twice", head + "# = 3\r\nScene0 = C:\\Gone\\x.lws\r\n" + b +
                                                   "Scene2 = C:\\Scenes\\b.lws\r\n",
       false, {"C:\\Gone\\x.lws", "C:\\Scenes\\b.lws", "C:\\Scenes\\b.lws"}},
      {"a line of a megabyte", head + "# = 2\r\n" + a + "Scene1 = C:\\" + std::string(1 << 20, 'x') + "\r\n",
       false, {"C:\\Scenes\\a.lws", "C:\\" + std::string(1 << 20, 'x')}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    if (row.bytes != "-") WriteWinFile(kProject, row.bytes);
    Run({[] { Add("C:\\Scenes\\b.lws"); }, [] { Load(kProject); }});
    EXPECT_EQ(g.queue.scenePaths, row.queue);
    EXPECT_EQ(Lines(kQueueList), row.queue);
    const bool errorShown = !Messages().empty() && Messages().back().title == "Error!";
    EXPECT_EQ(errorShown, row.refused);
    if (row.refused) {
      EXPECT_EQ(Messages().back().text,
                "File not found / Corrupted Tallowbridge project (.TBP) file!\nNo project loaded!");
    }
  }
}

// A project names a renderer; only an existing lwsn.exe is taken.
TEST_F(ProjectTest, OnlyAnExistingLwsnIsTakenAsTheRenderer) {
  WriteWinFile("C:\\LW9\\Programs\\LWSN.EXE", "MZ");
  WriteWinFile("C:\\Tools\\other.exe", "MZ");
  struct Row {
    const char* named;
    const char* renderer;   // afterwards
    bool info;
  };
  const Row rows[] = {
      {"C:\\LW9\\Programs\\LWSN.EXE", "C:\\LW9\\Programs\\LWSN.EXE", false},
      {"C:\\Tools\\other.exe", "C:\\LW\\Programs\\lwsn.exe", true},
      {"C:\\Gone\\lwsn.exe", "C:\\LW\\Programs\\lwsn.exe", true},
      {"C:\\LW\\Programs\\lwsn.exe", "C:\\LW\\Programs\\lwsn.exe", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.named);
    WriteWinFile(kProject, "[TALLOWBRIDGE1]\r\n[Required Settings]\r\nLWSN.EXE Location = " + std::string(row.named) +
                               "\r\n[Scenes]\r\n# = 0\r\n");
    headless::Reset(root_);   // a fresh program each time, on the same files
    headless::OnUnreachableEvent([](const std::string& why) { ADD_FAILURE() << why; });
    ResetProgramState();
    Run({[] { Load(kProject); }});
    EXPECT_EQ(g.settings.rendererPath, row.renderer);
    bool infoShown = false;
    for (const auto& m : Messages())
      if (m.title == "Info" && m.text.find(row.named) != std::string::npos) infoShown = true;
    EXPECT_EQ(infoShown, row.info);
  }
}

TEST_F(ProjectTest, StartUpReloadsAndContinuesOnlyWhatLoaded) {
  struct Row {
    const char* what;
    const char* continueSwitch;
    std::string project;   // "-" for no file
    Texts infos;           // information boxes, in order
    std::size_t launches;
  };
  const std::string two = "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 2\r\nScene0 = C:\\Scenes\\a.lws\r\n"
                           "Scene1 = C:\\Scenes\\b.lws\r\n";
  const Row rows[] = {
      {"reload", "NO", two, {"Tallowbridge Project:\n'" + kProject + "'\n loaded correctly!"}, 0},
      {"reload and continue", "YES", two, {"continues"}, 1},
      {"continue an empty project", "YES", "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 0\r\n", {}, 0},
      {"a project that is gone", "YES", "-", {}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    if (row.project != "-") WriteWinFile(kProject, row.project);
    // A build that writes a log: the continued queue's first scene gets -l.
    std::string version = "$VER: LWSN";
    version.resize(46, ' ');
    WriteWinFile("C:\\LW\\Programs\\lwsn.exe", std::string("MZ\0", 3) + version + "690 (Win32)" + std::string(1, '\0'));
    WriteWinFile("C:\\Tallowbridge\\Tallowbridge.ini",
                 "[Required Settings]\r\nLWSN.EXE Location = C:\\LW\\Programs\\lwsn.exe\r\n"
                 "[Program Settings]\r\nLoad last project upon startup = YES\r\nContinue rendering upon startup = " +
                     std::string(row.continueSwitch) + "\r\nLast Saved Project = " + kProject + "\r\n");
    Run({});
    Texts infos;
    for (const auto& m : Messages())
      if (m.title == "Info") infos.push_back(m.text);
    EXPECT_EQ(infos, row.infos);
    EXPECT_EQ(headless::Launches().size(), row.launches);
    EXPECT_EQ(g.projectLoadFailed, 0);
    if (row.launches) {
      EXPECT_EQ(headless::Launches()[0].parameters, " -3 -q -d -llwsn_tallowbridge.log C:\\Scenes\\a.lws 1 10 1");
    }
  }
}

}  // namespace

namespace {

// A night cut off by a power cut or an update's restart: the run-under-way
// file beside the program says a run was rendering, so the continued queue
// starts at once instead of waiting for "Start at" again; a queue that
// never began waits. Under NEXT nothing on the way waits for a click: the
// "continues" box and a scene's missing output drive become a balloon.
TEST_F(ProjectTest, ANightCutOffByARestartContinuesAtOnce) {
  struct Row {
    bool underWay, next;
    std::size_t launches;
    const char* status;
    std::size_t boxes;
  };
  const Row rows[] = {
      {true, true, 1, "Rendering: a.lws", 0},
      {true, false, 1, "Rendering: a.lws", 2},
      {false, true, 0, "Waiting until 22:00", 0},
      {false, false, 0, "Waiting until 22:00", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.underWay ? "under way" : "not begun") + (row.next ? " NEXT" : " STOP"));
    TearDown();
    SetUp();
    WriteWinFile("C:\\Scenes\\a.lws", MakeScene(1, 3, 1, "C:\\Out\\a"));
    WriteWinFile("C:\\Scenes\\b.lws", MakeScene(1, 3, 1, "Q:\\Renders\\b"));   // a drive not there now
    WriteWinFile(kProject, "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 2\r\nScene0 = C:\\Scenes\\a.lws\r\n"
                           "Scene1 = C:\\Scenes\\b.lws\r\n");
    if (row.underWay) WriteWinFile("C:\\Tallowbridge\\Tallowbridge.running", "2026-12-08T01:10:00+01:00\r\n");
    WriteWinFile("C:\\Tallowbridge\\Tallowbridge.ini",
                 "[Required Settings]\r\nLWSN.EXE Location = C:\\LW\\Programs\\lwsn.exe\r\n"
                 "[Program Settings]\r\nLoad last project upon startup = YES\r\nContinue rendering upon startup = YES\r\n"
                 "Last Saved Project = " + kProject + "\r\n[Overnight]\r\nWhen a scene fails = " +
                     (row.next ? "NEXT" : "STOP") + "\r\nStart at = 22:00\r\n");
    headless::SetLocalTime("2026-12-08T03:05:00+01:00");
    Run({});
    EXPECT_EQ(headless::Launches().size(), row.launches);
    EXPECT_EQ(pf::ControlText(kStatusText), row.status);
    EXPECT_EQ(Messages().size(), row.boxes);
    EXPECT_TRUE(headless::SystemRequired());
    bool continuesTold = false;
    for (const auto& balloon : headless::Balloons()) continuesTold |= balloon.text == "continues";
    EXPECT_EQ(continuesTold, row.next);
    // The file stands while the continued run renders, and is made only by one.
    EXPECT_EQ(WinFileExists("C:\\Tallowbridge\\Tallowbridge.running"), row.launches > 0);
  }
}

}  // namespace
