// Editing the selected scene from the main window: the frame range through
// the input requester, the output directory, and the guards in front of the
// scene windows. Every edit is checked in the scene file itself.
#include <string>
#include <vector>

#include "core/program_state.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

using headless::Messages;
using headless::PushGadget;
using headless::PushListSelect;

const std::string kScene = "C:\\S\\shot.lws";

class SceneEditsTest : public ProgramTest {
 protected:
  // Queues and selects the scene, then runs the steps.
  static void RunOnScene(std::vector<std::function<void()>> steps) {
    steps.insert(steps.begin(), [] {
      headless::QueueFileAnswer(kScene);
      PushGadget(kAddSceneButton);
      PushListSelect(kQueueList, 0);
    });
    Run(std::move(steps));
  }
  static bool SceneHas(const std::string& line) { return ReadWinFile(kScene).find("\r\n" + line + "\r\n") != std::string::npos; }
};

TEST_F(SceneEditsTest, FrameEditsClampWhatIsTyped) {
  struct Row {
    int button;
    int first, last, step;
    int framesThere;         // img0001.tga ... already rendered
    const char* typed;       // "" is what Escape gives
    const char* stored;      // the field and the scene line afterwards
  };
  const Row rows[] = {
      {kFirstFrameButton, 1, 60, 1, 0, "30", "30"},
      {kFirstFrameButton, 1, 60, 1, 0, "100", "60"},           // not past the last frame
      {kFirstFrameButton, 1, 60, 1, 0, "99999999999", "60"},   // stops at 32 bits, then the last frame
      {kFirstFrameButton, 1, 60, 1, 0, "abc", "0"},
      {kFirstFrameButton, 1, 60, 1, 0, "", "0"},
      {kFirstFrameButton, -10, -5, 1, 0, "", "-5"},            // 0 is past a last frame below it
      {kFirstFrameButton, 1, 60, 1, 0, "  +7x", "7"},
      {kFirstFrameButton, 1, 60, 1, 0, "-50000", "-32767"},    // the lower bound after the comparison
      {kLastFrameButton, 1, 60, 1, 0, "20", "20"},
      {kLastFrameButton, 1, 60, 1, 10, "5", "60"},             // before frames already rendered: kept
      {kLastFrameButton, 1, 60, 1, 10, "10", "10"},
      {kLastFrameButton, 1, 60, 1, 0, "", "1"},                // 0, raised to the first frame
      {kLastFrameButton, 1, 60, 1, 0, "-3", "1"},              // nothing rendered: no bound but the first frame
      {kLastFrameButton, 7, 40, 1, 0, "3", "7"},
      {kLastFrameButton, 1, 60, 1, 0, "40000", "32767"},
      {kLastFrameButton, 10, 60, 2, 3, "13", "60"},            // 10, 12 and 14 are there
      {kLastFrameButton, 10, 60, 2, 3, "14", "14"},
      {kFrameStepButton, 1, 60, 1, 0, "0", "1"},
      {kFrameStepButton, 1, 60, 1, 0, "-4", "1"},
      {kFrameStepButton, 1, 60, 1, 0, "40000", "32767"},
      {kFrameStepButton, 1, 60, 1, 0, "3", "3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.button) + " typed '" + row.typed + "'");
    TearDown();
    SetUp();
    WriteWinFile(kScene, MakeScene(row.first, row.last, row.step, "C:\\Out\\img"));
    for (int i = 1; i <= row.framesThere; ++i)
      WriteWinFile("C:\\Out\\img" + std::string(4 - std::to_string(i).size(), '0') + std::to_string(i) + ".tga", "f");
    headless::QueueInputAnswer(row.typed);
    RunOnScene({[&row] { PushGadget(row.button); }});

    const SceneField field = row.button == kFirstFrameButton  ? kFieldFirstFrame
                             : row.button == kLastFrameButton ? kFieldLastFrame
                                                              : kFieldFrameStep;
    const char* key = field == kFieldFirstFrame ? "FirstFrame " : field == kFieldLastFrame ? "LastFrame " : "FrameStep ";
    EXPECT_EQ(g.queue.fields[0][field], row.stored);
    EXPECT_TRUE(SceneHas(key + std::string(row.stored))) << ReadWinFile(kScene);
    const int shown = field == kFieldFirstFrame ? kFirstFrameField : field == kFieldLastFrame ? kLastFrameField
                                                                                               : kFrameStepField;
    EXPECT_EQ(pf::ControlText(shown), row.stored);
    EXPECT_TRUE(Messages().empty());
    ASSERT_EQ(headless::Requesters().back().kind, "input");
    EXPECT_TRUE(pf::IsWindowVisible(kMainWindow));
  }
}

TEST_F(SceneEditsTest, RequesterTextsAndTheDefaultValue) {
  WriteWinFile(kScene, MakeScene(4, 90, 2, "C:\\Out\\img"));
  for (int i = 0; i < 3; ++i) headless::QueueInputAnswer("5");
  RunOnScene({[] {
    PushGadget(kFirstFrameButton);
    PushGadget(kLastFrameButton);
    PushGadget(kFrameStepButton);
  }});
  const auto& r = headless::Requesters();
  ASSERT_EQ(r.size(), 4u);   // the scene's open requester, then the three edits
  EXPECT_EQ(r[1].title, "First frame");
  EXPECT_EQ(r[1].start, "Specify new FIRST FRAME. (Scene file will be re-saved)");
  EXPECT_EQ(r[1].filter, "4");
  EXPECT_EQ(r[2].title, "Last frame");
  EXPECT_EQ(r[2].start, "Specify new LAST FRAME. (Scene file will be re-saved)");
  EXPECT_EQ(r[2].filter, "90");
  EXPECT_EQ(r[3].title, "Frame Step");
  EXPECT_EQ(r[3].start, "Specify new FRAME STEP. (Scene file will be re-saved)");
  EXPECT_EQ(r[3].filter, "2");
  // The edits are read back from the scene as written.
  EXPECT_EQ(g.queue.fields[0][kFieldFirstFrame], "5");
  EXPECT_EQ(g.queue.fields[0][kFieldLastFrame], "5");
  EXPECT_EQ(g.queue.fields[0][kFieldFrameStep], "5");
}

TEST_F(SceneEditsTest, OverwriteQuestionAndFailedRewrite) {
  WriteWinFile(kScene, MakeScene(1, 60, 1, "C:\\Out\\img"));
  const std::string before = ReadWinFile(kScene);
  RunOnScene({[] {
                g.settings.confirmOverwrite = 1;   // start-up read the settings file
                headless::QueueAnswer(pf::kAnswerNo);
                PushGadget(kFirstFrameButton);
              },
              [] {
                // Yes, but the scene is held by another program.
                headless::LockPath(kScene);
                headless::QueueAnswer(pf::kAnswerYes);
                headless::QueueInputAnswer("12");
                PushGadget(kLastFrameButton);
              }});
  EXPECT_EQ(ReadWinFile(kScene), before);
  ASSERT_EQ(Messages().size(), 3u);
  EXPECT_EQ(Messages()[0].title, "Question");
  EXPECT_EQ(Messages()[0].text, "Do you really want to overwrite:\n" + kScene + " ?");
  EXPECT_EQ(Messages()[2].title, "Error!");
  EXPECT_EQ(headless::Requesters().size(), 2u);   // No asked for no number
  EXPECT_EQ(g.queue.fields[0][kFieldLastFrame], "60");
  EXPECT_EQ(pf::ControlText(kLastFrameField), "60");
}

TEST_F(SceneEditsTest, OutputDirectoryIsChosenAndWritten) {
  struct Row {
    const char* scenePrefix;   // the scene's SaveRGBImagesPrefix value, "" for none
    const char* chosen;        // the folder requester's answer, "" cancels
    const char* start;         // where the requester starts
    const char* message;       // shown, "" for none
    const char* prefixLine;    // the scene's line afterwards, "" for none
    const char* saveRgb;
  };
  const Row rows[] = {
      {"C:\\Out\\img", "C:\\New\\", "C:\\Out\\", "", "SaveRGBImagesPrefix C:\\New\\img", "SaveRGB 1"},
      {"C:\\Out\\img", "", "C:\\Out\\", "", "SaveRGBImagesPrefix C:\\Out\\img", "SaveRGB 0"},
      {"", "", "C:\\", "Nothing was selected, please choose path!", "", "SaveRGB 0"},
      // The prefix is still unknown: nothing is written yet.
      {"", "C:\\New\\", "C:\\", "", "", "SaveRGB 0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.scenePrefix) + " -> " + row.chosen);
    TearDown();
    SetUp();
    std::string scene = "LWSC\r\nFirstFrame 1\r\nLastFrame 9\r\nSaveRGB 0\r\n";
    if (*row.scenePrefix) scene += "SaveRGBImagesPrefix " + std::string(row.scenePrefix) + "\r\nRGBImageSaver LW_TGA24(.tga)\r\n";
    WriteWinFile(kScene, scene);
    headless::QueuePathAnswer(row.chosen);
    RunOnScene({[] { PushGadget(kOutputDirButton); }});
    EXPECT_EQ(headless::Requesters().back().title, "Locate your Output Directory for frames...");
    EXPECT_EQ(headless::Requesters().back().start, row.start);
    EXPECT_EQ(Messages().empty() ? std::string() : Messages().back().text, row.message);
    EXPECT_TRUE(SceneHas(row.saveRgb)) << ReadWinFile(kScene);
    if (*row.prefixLine) {
      EXPECT_TRUE(SceneHas(row.prefixLine)) << ReadWinFile(kScene);
    }
    if (*row.chosen) {
      EXPECT_EQ(pf::ControlText(kOutputDirField), row.chosen);
    }
  }
}

TEST_F(SceneEditsTest, GuardsBeforeTheSceneWindows) {
  WriteWinFile(kScene, MakeScene(1, 9, 1));   // no output path at all
  RunOnScene({[] {
    PushGadget(kOutputFilenameButton);
    PushGadget(kEditSceneButton);
  }});
  std::vector<std::string> texts;
  for (const auto& m : Messages()) texts.push_back(m.title + ": " + m.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Info: Please specify a output directory first!",
                                             "Info: Please specify a output directory!",
                                             "Info: Please specify a output filename and extension!"}));
}

}  // namespace
