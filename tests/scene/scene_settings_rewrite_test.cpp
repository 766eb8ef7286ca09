#include <string>
#include <vector>

#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "scene/scene_test_util.h"

using namespace std::string_literals;
using scenetest::JoinCrLf;
using scenetest::QueueScene;

namespace {

const std::string kScene = "D:\\x\\a.lws";

class SceneSettingsRewriteTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    headless::SetDrives({"C:\\", "D:\\"});
  }
  // Queues a scene with these lines, read as the program reads it.
  void Queue(const std::vector<std::string>& lines) { QueueBytes(JoinCrLf(lines)); }
  void QueueBytes(const std::string& bytes) {
    WriteWinFile(kScene, bytes);
    ReadSceneEntry(QueueScene(kScene));
  }
  SceneEntry& Entry() { return g.queue.fields[g.queue.currentScene]; }
  std::string Scene() { return ReadWinFile(kScene); }
};

SceneSettingsChange Antialiasing(int level) {
  SceneSettingsChange change;
  change.antialiasingChanged = true;
  change.antialiasing = level;
  return change;
}

TEST_F(SceneSettingsRewriteTest, NothingMarkedChangesOnlyTheLineEnds) {
  const std::string bytes = "LWSC\r3\r\nFirstFrame 1\rbinary\0\xff\r\n\nRenderMode 2\rtail without end"s;
  QueueBytes(bytes);
  EXPECT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, SceneSettingsChange{}));
  EXPECT_EQ(Scene(), scenetest::WithCrLfLineEnds(bytes));
  EXPECT_TRUE(headless::Messages().empty());
  EXPECT_TRUE(scenetest::TemporaryFilesBeside(kScene).empty());
}

TEST_F(SceneSettingsRewriteTest, FrameScaleWritesTheMultiplierAndTheScaledSize) {
  Queue({"LWSC", "ResolutionMultiplier 1.0", "FrameSize 640 480", "GlobalFrameSize 640 480",
         "GlobalMultiplier 1.0"});
  SceneSettingsChange change;
  change.frameScaleChanged = true;
  change.frameScale = 3;
  change.scaledSize = ScaledFrameSize(Entry()[kFieldFrameSize], Entry()[kFieldResolutionMultiplier], 3);
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "ResolutionMultiplier 2.0", "FrameSize 1280 960", "GlobalFrameSize 640 480",
                               "GlobalMultiplier 1.0"}));
  EXPECT_EQ(Entry()[kFieldResolutionMultiplier], "2.0");
  EXPECT_EQ(Entry()[kFieldFrameSize], "1280 960");
}

TEST_F(SceneSettingsRewriteTest, AKeyTextEarlierInsideALineEndsTheSearchForThatKey) {
  Queue({"LWSC", "GlobalFrameSize 640 480", "ResolutionMultiplier 1.0", "FrameSize 640 480"});
  SceneSettingsChange change;
  change.frameScaleChanged = true;
  change.frameScale = 4;
  change.scaledSize = {2560, 1920};
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "GlobalFrameSize 640 480", "ResolutionMultiplier 4.0", "FrameSize 640 480"}));
  EXPECT_EQ(Entry()[kFieldFrameSize], "640 480");   // the entry says what the scene says
}

TEST_F(SceneSettingsRewriteTest, MissingKeyLinesAreNotAdded) {
  Queue({"LWSC", "FrameSize 640 480", "Antialiasing 0"});
  SceneSettingsChange change;
  change.frameScaleChanged = true;
  change.frameScale = 1;
  change.scaledSize = ScaledFrameSize(Entry()[kFieldFrameSize], Entry()[kFieldResolutionMultiplier], 1);
  change.renderMode = kRenderModeWireframe;
  change.filenameFormatChanged = true;
  change.filenameFormat = 0;
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "FrameSize 320 240", "Antialiasing 0"}));
  EXPECT_EQ(Entry()[kFieldRenderMode], "2");
}

TEST_F(SceneSettingsRewriteTest, FromEnhancedToPlainLevelDropsTheEnhancedLineBelow) {
  Queue({"LWSC", "Antialiasing 2", "EnhancedAA 1", "AdaptiveSampling 1"});
  ASSERT_EQ(Entry()[kFieldAntialiasing], "Enhanced Medium");
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, Antialiasing(5)));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "Antialiasing 3", "AdaptiveSampling 1"}));
  EXPECT_EQ(Entry()[kFieldEnhancedAA], "");
  ReadSceneEntry(g.queue.currentScene);
  EXPECT_EQ(Entry()[kFieldAntialiasing], "High");
}

TEST_F(SceneSettingsRewriteTest, FromPlainToEnhancedLevelAddsTheEnhancedLineBelow) {
  Queue({"LWSC", "Antialiasing 1", "AdaptiveSampling 1", "EnhancedAA 0"});
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, Antialiasing(2)));
  // An EnhancedAA line anywhere else stays as it was.
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "Antialiasing 1", "EnhancedAA 1", "AdaptiveSampling 1", "EnhancedAA 0"}));

  Queue({"LWSC", "Antialiasing 3", "EnhancedAA 1"});
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, Antialiasing(8)));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "Antialiasing 4", "EnhancedAA 1"}));
}

TEST_F(SceneSettingsRewriteTest, AKeyOnTheLastLineIsReplacedWithNothingAfterIt) {
  Queue({"LWSC", "Antialiasing 0"});
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, Antialiasing(6)));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "Antialiasing 3", "EnhancedAA 1"}));
  Queue({"LWSC", "OutputFilenameFormat 3"});
  SceneSettingsChange change;
  change.filenameFormatChanged = true;
  change.filenameFormat = 6;
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "OutputFilenameFormat 6"}));
}

TEST_F(SceneSettingsRewriteTest, RealisticReplacesTheFirstRenderModeLineOnly) {
  const std::vector<std::string> lines{"LWSC", "RenderMode 0", "x", "RenderMode 1"};
  Queue(lines);
  SceneSettingsChange change;
  change.renderMode = kRenderModeRealistic;
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "RenderMode 2", "x", "RenderMode 1"}));

  Queue({"LWSC", "Plugin RenderMode 7", "RenderMode 0"});   // found inside a line first: given up
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "Plugin RenderMode 7", "RenderMode 0"}));
}

TEST_F(SceneSettingsRewriteTest, QuickshadeAndWireframeReplaceEveryRenderModeLine) {
  for (int mode : {kRenderModeQuickshade, kRenderModeWireframe}) {
    Queue({"LWSC", "Plugin RenderMode 7", "RenderMode 2", "x", "RenderMode 2 old"});
    SceneSettingsChange change;
    change.renderMode = mode;
    ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
    std::string line = "RenderMode " + RenderModeValue(mode);
    EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "Plugin RenderMode 7", line, "x", line}));
  }
}

TEST_F(SceneSettingsRewriteTest, NeighbouringKeyLinesAreAllReplaced) {
  Queue({"LWSC", "OutputFilenameFormat 3", "RenderMode 2", "Antialiasing 1", "EnhancedAA 1", "ResolutionMultiplier 1.0",
         "after"});
  SceneSettingsChange change;
  change.filenameFormatChanged = true;
  change.filenameFormat = 7;
  change.renderMode = kRenderModeQuickshade;
  change.antialiasingChanged = true;
  change.antialiasing = 0;
  change.frameScaleChanged = true;
  change.frameScale = 0;
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "OutputFilenameFormat 7", "RenderMode 1", "Antialiasing 0",
                               "ResolutionMultiplier .25", "after"}));
  EXPECT_EQ(Entry()[kFieldOutputFilenameFormat], "7");
  EXPECT_EQ(Entry()[kFieldRenderMode], "1");
  EXPECT_EQ(Entry()[kFieldResolutionMultiplier], ".25");
}

TEST_F(SceneSettingsRewriteTest, ACopyIsWrittenBesideTheSceneWhichStaysAsItWas) {
  std::string original = JoinCrLf({"LWSC", "RenderMode 2", "Antialiasing 0"});
  QueueBytes(original);
  WriteWinFile("D:\\x\\a_copy.lws", "an older copy");
  SceneEntry before = Entry();
  SceneSettingsChange change = Antialiasing(4);
  change.renderMode = kRenderModeWireframe;
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kCopy, change));
  EXPECT_EQ(ReadWinFile("D:\\x\\a_copy.lws"), JoinCrLf({"LWSC", "RenderMode 0", "Antialiasing 2", "EnhancedAA 1"}));
  EXPECT_EQ(Scene(), original);
  EXPECT_EQ(Entry(), before);
  ASSERT_EQ(headless::Messages().size(), 1u);
  EXPECT_EQ(headless::Messages()[0].title, "Info");
  EXPECT_EQ(headless::Messages()[0].style, pf::kBoxInfo);
  EXPECT_EQ(headless::Messages()[0].text, "Scene was saved sucessfully as:\n\rD:\\x\\a_copy.lws");
  EXPECT_TRUE(scenetest::TemporaryFilesBeside(kScene).empty());
  EXPECT_EQ(SceneCopyPath("C:\\scenes\\shot.lws"), "C:\\scenes\\shot_copy.lws");
}

TEST_F(SceneSettingsRewriteTest, ASceneWithoutLinesIsReportedAndNothingIsWritten) {
  for (const std::string bytes : {"LWSC\nRenderMode 2\n", ""}) {
    headless::Reset(root_);
    headless::SetDrives({"C:\\", "D:\\"});
    QueueBytes(bytes);
    EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kOverwrite, Antialiasing(1)));
    EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kCopy, Antialiasing(1)));
    EXPECT_EQ(Scene(), bytes);
    EXPECT_FALSE(WinFileExists("D:\\x\\a_copy.lws"));
    EXPECT_TRUE(scenetest::TemporaryFilesBeside(kScene).empty());
    ASSERT_EQ(headless::Messages().size(), 2u);
    for (const auto& m : headless::Messages()) {
      EXPECT_EQ(m.title, "Error!");
      EXPECT_EQ(m.text, "Could not access 'D:\\x\\a.lws'\n\rCheck source file, and try again!");
    }
  }
}

TEST_F(SceneSettingsRewriteTest, NoCurrentSceneWritesNothing) {
  EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kOverwrite, Antialiasing(1)));
  g.queue.currentScene = 5;
  EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kOverwrite, Antialiasing(1)));
  EXPECT_TRUE(headless::Messages().empty());
}

}  // namespace
