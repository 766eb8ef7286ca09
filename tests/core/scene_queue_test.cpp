// The scene queue driven like a user: add, clear, move, select, display
// modes, and which controls can be used afterwards.
#include <string>
#include <vector>

#include "core/program_state.h"
#include "render/progress.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

using headless::Messages;
using headless::PushGadget;
using headless::PushListSelect;
using Texts = std::vector<std::string>;

class SceneQueueTest : public ProgramTest {
 protected:
  // A scene with its own output folder C:\Out\<name>\ and prefix img.
  static std::string Scene(const std::string& path, int last = 60) {
    std::string name = path.substr(path.rfind('\\') + 1);
    WriteWinFile(path, MakeScene(1, last, 1, "C:\\Out\\" + name + "\\img"));
    return path;
  }
  static void Add(const std::string& path) {
    headless::QueueFileAnswer(path);
    PushGadget(kAddSceneButton);
  }
  static std::vector<int> States() { return g.queue.renderStates; }
};

TEST_F(SceneQueueTest, AddingChecksEachFileAndShowsTheNewScene) {
  Scene("C:\\Scenes\\a.lws");
  Scene("C:\\SCENES\\A.LWS");   // the same file on Windows; the test drive tells case apart
  WriteWinFile("C:\\Other\\bad.lws", "LWSC \r\nFirstFrame 1\r\n");
  WriteWinFile("C:\\Other\\lf.lws", "LWSC\nFirstFrame 1\n");
  struct Row {
    const char* answer;      // the file chosen; "" cancels
    const char* title;       // the message shown, "" for none
    const char* text;
    int count;               // queue count afterwards
  };
  const Row rows[] = {
      {"C:\\Scenes\\a.lws", "", "", 1},
      {"C:\\Scenes\\a.lws", "Information", "'C:\\Scenes\\a.lws' already exist in queue, not added!", 1},
      {"", "", "", 1},
      // Windows would open the same file, but the comparison is byte for byte.
      {"C:\\SCENES\\A.LWS", "", "", 2},
      {"C:\\Other\\bad.lws", "Error!",
       "'C:\\Other\\bad.lws'\nis corrupted, or not a valid Lightwave Scene file!\n\nNo file loaded!", 2},
      {"C:\\Other\\lf.lws", "Error!",
       "'C:\\Other\\lf.lws'\nis corrupted, or not a valid Lightwave Scene file!\n\nNo file loaded!", 2},
  };
  std::vector<std::function<void()>> steps;
  for (const Row& row : rows) {
    steps.push_back([&row] {
      headless::QueueFileAnswer(row.answer);
      PushGadget(kAddSceneButton);
    });
    steps.push_back([&row] {
      SCOPED_TRACE(row.answer);
      std::size_t shown = std::string(row.title).empty() ? 0 : 1;
      EXPECT_EQ(g.queue.count, row.count);
      EXPECT_EQ(Lines(kQueueList).size(), static_cast<std::size_t>(row.count));
      EXPECT_EQ(g.queue.scenePaths.size(), static_cast<std::size_t>(row.count));
      EXPECT_EQ(Text(kQueueCountText), std::to_string(row.count) + " Scene File(s) In Queue");
      if (shown) {
        ASSERT_FALSE(Messages().empty());
        EXPECT_EQ(Messages().back().title, row.title);
        EXPECT_EQ(Messages().back().text, row.text);
      }
    });
  }
  Run(steps);

  const auto& requester = headless::Requesters().front();
  EXPECT_EQ(requester.kind, "open");
  EXPECT_EQ(requester.title, "Add scene file(s) to queue...");
  EXPECT_EQ(requester.filter, "Lightwave Scene(s) (*.lws)|*.LWS");
  EXPECT_EQ(headless::Requesters()[1].start, "C:\\Scenes\\");   // the last scene folder
  EXPECT_EQ(g.settings.lastSceneDirectory, "C:\\Other\\");      // taken before the scene check
  EXPECT_EQ(Messages().size(), 3u);
  EXPECT_EQ(Lines(kQueueList), (Texts{"C:\\Scenes\\a.lws", "C:\\SCENES\\A.LWS"}));
  // The new scene is selected and current, its details shown and usable.
  EXPECT_EQ(State(kQueueList), 1);
  EXPECT_EQ(g.queue.currentScene, 1);
  EXPECT_EQ(Text(kFirstFrameField), "1");
  EXPECT_EQ(Text(kLastFrameField), "60");
  EXPECT_EQ(Text(kFrameStepField), "1");
  EXPECT_EQ(Text(kOutputDirField), "C:\\Out\\A.LWS\\");
  EXPECT_EQ(Text(kOutputFilenameField), "img.tga");
  EXPECT_EQ(headless::Control(kQueueList)->tooltip, "C:\\SCENES\\A.LWS");
  EXPECT_EQ(g.queue.fields[1][kFieldPercentDone], "0");
  for (int id : {kClearScenesButton, kEditSceneButton, kFirstFrameButton, kOutputDirButton, kViewOutputDirButton,
                 kStartQueueButton, kSaveProjectButton, kSceneFileOnlyCheck, kParentDirViewCheck, kMoveUpButton})
    EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_FALSE(Enabled(kMoveDownButton));   // the last line is selected
}

TEST_F(SceneQueueTest, DisplayModesNameScenesByPathFileOrParentFolder) {
  Scene("C:\\proj\\shots\\a.lws");
  Scene("C:\\b.lws");   // in a drive's root: no parent folder to show
  Scene("C:\\x\\y\\c.lws");
  struct Row {
    int click;
    int fileOnly, parentDir;   // the boxes afterwards
    Texts lines;
  };
  const Row rows[] = {
      {kSceneFileOnlyCheck, 1, 0, {"a.lws", "b.lws", "c.lws"}},
      // The root scene keeps the text it had.
      {kParentDirViewCheck, 0, 1, {"shots\\a.lws", "b.lws", "y\\c.lws"}},
      {kParentDirViewCheck, 0, 0, {"C:\\proj\\shots\\a.lws", "C:\\b.lws", "C:\\x\\y\\c.lws"}},
      {kParentDirViewCheck, 0, 1, {"shots\\a.lws", "C:\\b.lws", "y\\c.lws"}},
      {kSceneFileOnlyCheck, 1, 0, {"a.lws", "b.lws", "c.lws"}},
  };
  std::vector<std::function<void()>> steps = {[] {
    Add("C:\\proj\\shots\\a.lws");
    Add("C:\\b.lws");
    Add("C:\\x\\y\\c.lws");
  }};
  for (const Row& row : rows) {
    steps.push_back([&row] { PushGadget(row.click); });
    steps.push_back([&row] {
      EXPECT_EQ(Lines(kQueueList), row.lines);
      EXPECT_EQ(State(kSceneFileOnlyCheck), row.fileOnly);
      EXPECT_EQ(State(kParentDirViewCheck), row.parentDir);
      // Line 0 is selected, but the details wait for the user's selection.
      EXPECT_EQ(State(kQueueList), 0);
      EXPECT_EQ(Text(kOutputDirField), "");
      EXPECT_FALSE(Enabled(kFirstFrameButton));
      EXPECT_FALSE(Enabled(kClearScenesButton));
      PushListSelect(kQueueList, 2);
    });
  }
  // A scene added in file-only mode shows its full path until the next rebuild.
  steps.push_back([] {
    EXPECT_EQ(Text(kOutputDirField), "C:\\Out\\c.lws\\");
    Add(Scene("C:\\d\\e.lws"));
  });
  steps.push_back([] {
    EXPECT_EQ(Lines(kQueueList), (Texts{"a.lws", "b.lws", "c.lws", "C:\\d\\e.lws"}));
  });
  Run(steps);
}

TEST_F(SceneQueueTest, ClearAnswersRemoveAllTheCurrentSceneOrNothing) {
  struct Row {
    int answer;
    Texts lines;           // file names left, in order
    bool logDeleted;
  };
  const Row rows[] = {
      {pf::kAnswerNo, {"s1.lws", "s2.lws", "s4.lws", "s5.lws"}, false},
      {pf::kAnswerYes, {}, true},
      {pf::kAnswerCancel, {"s1.lws", "s2.lws", "s3.lws", "s4.lws", "s5.lws"}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer);
    TearDown();
    SetUp();
    const std::string log = "C:\\LW\\Programs\\lwsn_tallowbridge.log";
    WriteWinFile(log, "old log");
    Run({[] {
           for (int i = 1; i <= 5; ++i) Add(Scene("C:\\S\\s" + std::to_string(i) + ".lws", 10 * i));
           PushListSelect(kQueueList, 2);
         },
         [] { g.queue.renderStates[3] = 2; },   // s4 done
         [&row] {
           headless::QueueAnswer(row.answer);
           PushGadget(kClearScenesButton);
         }});
    const auto& question = Messages().back();
    EXPECT_EQ(question.title, "Confirmation");
    EXPECT_EQ(question.text, "Yes = Delete All Scene(s)\n\r No = Delete Only Selected Scene");
    EXPECT_EQ(question.style, pf::kBoxQuestionCancel);
    Texts names;
    for (const auto& path : g.queue.scenePaths) names.push_back(path.substr(path.rfind('\\') + 1));
    EXPECT_EQ(names, row.lines);
    EXPECT_EQ(Lines(kQueueList).size(), row.lines.size());
    EXPECT_EQ(Text(kQueueCountText), std::to_string(row.lines.size()) + " Scene File(s) In Queue");
    EXPECT_EQ(WinFileExists(log), !row.logDeleted);
    // A Yes or No is applied and forgotten; a Cancel is kept but never acted on.
    EXPECT_EQ(g.queue.pendingClearAnswer, row.answer == pf::kAnswerCancel ? pf::kAnswerCancel : 0);
    if (row.answer == pf::kAnswerNo) {
      // Rows behind the removed one moved up with their fields and state.
      EXPECT_EQ(g.queue.fields[2][kFieldLastFrame], "40");
      EXPECT_EQ(g.queue.fields[3][kFieldLastFrame], "50");
      EXPECT_EQ(States()[2], 2);
    }
    if (row.answer == pf::kAnswerCancel) {
      EXPECT_TRUE(Enabled(kClearScenesButton));
      EXPECT_EQ(Text(kOutputDirField), "C:\\Out\\s3.lws\\");
    } else {
      // Nothing is selected any more: the details are reset.
      EXPECT_EQ(State(kQueueList), -1);
      EXPECT_EQ(Text(kFirstFrameField), "");
      EXPECT_FALSE(Enabled(kClearScenesButton));
      EXPECT_FALSE(Enabled(kFirstFrameButton));
    }
    EXPECT_EQ(Enabled(kStartQueueButton), !row.lines.empty());
    EXPECT_EQ(Enabled(kSaveProjectButton), !row.lines.empty());
  }
}

TEST_F(SceneQueueTest, MovesSwapWholeEntriesAndClearTheSelection) {
  Run({[] {
         Add(Scene("C:\\p\\a.lws", 10));
         Add(Scene("C:\\b.lws", 20));   // a root scene keeps its display text when moved
         Add(Scene("C:\\p\\c.lws", 30));
         PushGadget(kParentDirViewCheck);
       },
       [] {
         EXPECT_EQ(Lines(kQueueList), (Texts{"p\\a.lws", "C:\\b.lws", "p\\c.lws"}));
         PushListSelect(kQueueList, 0);
       },
       [] {
         g.queue.renderStates = {2, 1, 0};
         PushGadget(kMoveDownButton);
       },
       [] {
         EXPECT_EQ(g.queue.scenePaths, (Texts{"C:\\b.lws", "C:\\p\\a.lws", "C:\\p\\c.lws"}));
         EXPECT_EQ(Lines(kQueueList), (Texts{"C:\\b.lws", "p\\a.lws", "p\\c.lws"}));
         EXPECT_EQ(States(), (std::vector<int>{1, 2, 0}));
         EXPECT_EQ(g.queue.fields[1][kFieldLastFrame], "10");
         EXPECT_EQ(State(kQueueList), -1);
         EXPECT_FALSE(Enabled(kMoveUpButton));
         EXPECT_FALSE(Enabled(kMoveDownButton));
         EXPECT_EQ(Text(kLastFrameField), "");
         // The reset of the details turns the mode boxes off: the next
         // rebuild shows full paths.
         EXPECT_EQ(State(kParentDirViewCheck), 0);
         PushListSelect(kQueueList, 2);
         PushGadget(kMoveUpButton);
       },
       [] {
         EXPECT_EQ(g.queue.scenePaths, (Texts{"C:\\b.lws", "C:\\p\\c.lws", "C:\\p\\a.lws"}));
         EXPECT_EQ(Lines(kQueueList), g.queue.scenePaths);
       }});
}

TEST_F(SceneQueueTest, MoveButtonsFollowTheSelectedLine) {
  struct Row {
    int line;
    bool up, down;
  };
  const Row rows[] = {{0, false, true}, {1, true, true}, {2, true, false}};
  std::vector<std::function<void()>> steps = {[] {
    for (const char* name : {"C:\\S\\a.lws", "C:\\S\\b.lws", "C:\\S\\c.lws"}) Add(Scene(name));
  }};
  for (const Row& row : rows) {
    steps.push_back([&row] { PushListSelect(kQueueList, row.line); });
    steps.push_back([&row] {
      SCOPED_TRACE(row.line);
      EXPECT_EQ(Enabled(kMoveUpButton), row.up);
      EXPECT_EQ(Enabled(kMoveDownButton), row.down);
    });
  }
  Run(steps);
}

TEST_F(SceneQueueTest, CompleteSceneLocksEverythingButItsLastFrame) {
  // Frames 1 to 8 step 2 render 4 frames: 1, 3, 5, 7.
  WriteWinFile("C:\\S\\done.lws", MakeScene(1, 8, 2, "C:\\Out\\done\\img"));
  WriteWinFile("C:\\S\\half.lws", MakeScene(1, 8, 2, "C:\\Out\\half\\img"));
  for (const char* frame : {"img0001.tga", "img0003.tga", "img0005.tga", "img0007.tga"})
    WriteWinFile(std::string("C:\\Out\\done\\") + frame, "frame");
  WriteWinFile("C:\\Out\\half\\img0001.tga", "frame");
  Run({[] {
         Add("C:\\S\\done.lws");
         Add("C:\\S\\half.lws");
         PushListSelect(kQueueList, 0);
       },
       [] {
         EXPECT_EQ(Text(kFramesRenderedText), "4 of 4");
         EXPECT_EQ(Text(kStartQueueButton), "Scene Done!");
         for (int id : {kStartQueueButton, kMoveDownButton, kOutputFilenameButton, kOutputDirButton,
                        kFirstFrameButton, kFrameStepButton, kEditSceneButton})
           EXPECT_FALSE(Enabled(id)) << id;
         EXPECT_TRUE(Enabled(kLastFrameButton));
         EXPECT_TRUE(Enabled(kLastFrameField));
         EXPECT_EQ(g.queue.renderStates[0], 2);
         PushListSelect(kQueueList, 1);
       },
       [] {
         EXPECT_EQ(Text(kFramesRenderedText), "1 of 4");
         EXPECT_EQ(Text(kStartQueueButton), "Cont. Queue!");
         for (int id : {kStartQueueButton, kMoveUpButton, kFirstFrameButton, kEditSceneButton})
           EXPECT_TRUE(Enabled(id)) << id;
         EXPECT_EQ(g.queue.renderStates[1], 1);
       }});
}

// Thousands of scenes: nothing has a fixed limit, and every line, row and
// count stays in step.
TEST_F(SceneQueueTest, FiveThousandScenesStayInStep) {
  constexpr int kScenes = 5000;
  for (int i = 0; i < kScenes; ++i) WriteWinFile("C:\\Many\\s" + std::to_string(i) + ".lws", MakeScene(1, 5, 1));
  Run({[] {
         for (int i = 0; i < kScenes; ++i) Add("C:\\Many\\s" + std::to_string(i) + ".lws");
       },
       [] { PushGadget(kSceneFileOnlyCheck); },
       [] {
         PushListSelect(kQueueList, kScenes - 1);
         PushGadget(kMoveUpButton);
       }});
  EXPECT_EQ(Text(kQueueCountText), "5000 Scene File(s) In Queue");
  ASSERT_EQ(Lines(kQueueList).size(), static_cast<std::size_t>(kScenes));
  EXPECT_EQ(g.queue.fields.size(), static_cast<std::size_t>(kScenes));
  EXPECT_EQ(Lines(kQueueList)[kScenes - 2], "s4999.lws");
  EXPECT_EQ(g.queue.scenePaths[kScenes - 1], "C:\\Many\\s4998.lws");
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
