// Scenes the fuzz targets found mishandled, kept as tests.
#include <string>

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

}  // namespace
