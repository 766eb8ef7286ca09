// Scenes the fuzz targets found mishandled, kept as tests.
#include <string>
#include <vector>

#include "scene/render_tables.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "scene/scene_test_util.h"

namespace {

const std::string kScene = "C:\\scenes\\shot.lws";

class FuzzFindingsTest : public HeadlessTest {};

// A scene with an image saver line but no output path line: choosing an
// output folder and name rewrote the saver, took that as the output lines
// being there, and reported success with no path in the scene.
TEST_F(FuzzFindingsTest, AnOutputPathChosenForASceneWithOnlyASaverLineIsWritten) {
  for (const char* saveRgb : {"SaveRGB 0", "SaveRGB 1"}) {
    SCOPED_TRACE(saveRgb);
    WriteWinFile(kScene, scenetest::JoinCrLf({"LWSC", "DataOverlayLabel  ", saveRgb, "RGBImageSaver 0", "End"}));
    SceneEntry& entry = g.queue.fields[scenetest::QueueScene(kScene)];
    ReadSceneEntry(g.queue.currentScene);
    entry[kFieldOutputDir] = "C:\\0\\";
    entry[kFieldOutputPrefix] = "f";
    entry[kFieldImageExtension] = ".png";
    RememberImageFormatChoice(5);
    ASSERT_TRUE(RewriteOutputSettings(FrameChange::kNone, "", true, 5));
    auto lines = scenetest::SplitCrLf(ReadWinFile(kScene));
    EXPECT_GE(scenetest::FindLine(lines, "SaveRGB 1"), 0);
    EXPECT_GE(scenetest::FindLine(lines, "SaveRGBImagesPrefix C:\\0\\f"), 0);
    EXPECT_EQ(entry[kFieldImageSaver], "LW_PNG24(.png)");
  }
}

// A scene whose last SaveRGB line starts with "2" reads as having none: the
// output block went in at DataOverlayLabel and every line below was copied
// as it stood, so a "SaveRGB 0" and an old path below the block switched
// saving off again and named another path, and success was reported.
TEST_F(FuzzFindingsTest, OutputLinesBelowAnInsertedBlockFollowTheChoice) {
  WriteWinFile(kScene, scenetest::JoinCrLf({"LWSC", "DataOverlayLabel  ", "SaveRGB 0", "SaveRGBImagesPrefix C:\\old\\x",
                                            "RGBImageSaver LW_TGA24(.tga)", "DataOverlayLabel  ", "SaveRGB 2g"}));
  SceneEntry& entry = g.queue.fields[scenetest::QueueScene(kScene)];
  ReadSceneEntry(g.queue.currentScene);
  ASSERT_EQ(entry[kFieldSaveRGB], "2");
  entry[kFieldOutputDir] = "C:\\new\\";
  entry[kFieldOutputPrefix] = "f";
  ASSERT_TRUE(RewriteOutputSettings(FrameChange::kNone, "", true, kNoIndex));
  EXPECT_EQ(ReadWinFile(kScene),
            scenetest::JoinCrLf({"LWSC", "DataOverlayLabel  ", "SaveRGB 1", "OutputFilenameFormat 3",
                                 "SaveRGBImagesPrefix C:\\new\\f", "RGBImageSaver LW_TGA24(.tga)", "SaveRGB 1",
                                 "SaveRGBImagesPrefix C:\\new\\f", "RGBImageSaver LW_TGA24(.tga)",
                                 // The pass after the switch still reads no SaveRGB line, but
                                 // the block already stands below the first label: none is added.
                                 "DataOverlayLabel  ", "SaveRGB 2g"}));
  // Saving again changes nothing: no block is added each time.
  const std::string once = ReadWinFile(kScene);
  ASSERT_TRUE(RewriteOutputSettings(FrameChange::kNone, "", true, kNoIndex));
  EXPECT_EQ(ReadWinFile(kScene), once);
}

// A line replaced for one key that also held another key's text gave that
// key up, though the text went with the line: the change stayed unwritten,
// and the same change made again wrote it.
TEST_F(FuzzFindingsTest, ALineReplacedForOneKeyGivesUpNoOther) {
  WriteWinFile(kScene, scenetest::JoinCrLf({"LWSC", "FrameSize 640 480 RenderMode 0", "RenderMode 0", "End"}));
  scenetest::QueueScene(kScene);
  ReadSceneEntry(g.queue.currentScene);
  SceneSettingsChange change;
  change.frameScaleChanged = true;
  change.frameScale = 0;
  change.scaledSize = {320, 240};
  change.renderMode = 2;   // Realistic: the first RenderMode line
  const std::string want =
      scenetest::JoinCrLf({"LWSC", "FrameSize 320 240", "RenderMode " + RenderModeValue(2), "End"});
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(ReadWinFile(kScene), want);
  ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
  EXPECT_EQ(ReadWinFile(kScene), want);
}

// Two EnhancedAA lines below Antialiasing: only the first went, so the old
// level stood below the new one, and the same change made again took it.
TEST_F(FuzzFindingsTest, EveryEnhancedLineBelowAntialiasingGoes) {
  WriteWinFile(kScene, scenetest::JoinCrLf({"LWSC", "Antialiasing 1", "EnhancedAA 1", "EnhancedAA 1", "End"}));
  scenetest::QueueScene(kScene);
  ReadSceneEntry(g.queue.currentScene);
  SceneSettingsChange change;
  change.antialiasingChanged = true;
  change.antialiasing = 0;
  const std::string want = scenetest::JoinCrLf(
      AntialiasingEnhancedValue(0).empty()
          ? std::vector<std::string>{"LWSC", "Antialiasing " + AntialiasingLevelValue(0), "End"}
          : std::vector<std::string>{"LWSC", "Antialiasing " + AntialiasingLevelValue(0),
                                     "EnhancedAA " + AntialiasingEnhancedValue(0), "End"});
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, change));
    EXPECT_EQ(ReadWinFile(kScene), want) << run;
  }
}

}  // namespace
