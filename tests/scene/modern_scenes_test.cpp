// Scenes of LightWave 9 to 2019 (format 5 and 8) and variants made from
// them: the frame size, scale and sampling of the camera that renders are
// read, a preset writes only that camera's lines (or the global ones), and a
// 2019 scene without an output path gets exactly one path line.
#include <string>
#include <vector>

#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "scene/scene_test_util.h"

using scenetest::FindLine;
using scenetest::JoinCrLf;
using scenetest::QueueScene;
using scenetest::SplitCrLf;

namespace {

const std::string kScene = "C:\\scenes\\modern.lws";
using Lines = std::vector<std::string>;

Lines RealLines(const std::string& name) { return SplitCrLf(ReadHostFile(SceneSamplePath(name))); }

void ReplaceLine(Lines& lines, const std::string& from, const std::string& to) {
  int at = FindLine(lines, from);
  ASSERT_GE(at, 0) << from;
  lines[at] = to;
}

// One camera's own lines in move_x.lws: from its AddCamera line to the
// EndPlugin of its handler.
struct CameraSpan {
  int begin = -1, end = -1;   // [begin, end)
};
CameraSpan FindCamera(const Lines& lines) {
  CameraSpan span;
  span.begin = FindLine(lines, "AddCamera 30000000");
  span.end = FindLine(lines, "Plugin CameraHandler 1 Perspective") + 2;
  return span;
}

// The 9.5 scene with its one camera turned into cameras of the given frame
// sizes, multipliers and AASamples, and CurrentCamera set. A saver plugin
// holding binary bytes stands between the cameras and the output lines.
struct CameraValues {
  const char* size;
  const char* multiplier;
  const char* samples;
};
Lines Cameras(const std::vector<CameraValues>& cameras, const std::string& current) {
  Lines base = RealLines("move_x.lws");
  CameraSpan span = FindCamera(base);
  const Lines one(base.begin() + span.begin, base.begin() + span.end);
  Lines all;
  for (const CameraValues& values : cameras) {
    Lines camera = one;
    ReplaceLine(camera, "FrameSize 640 480", std::string("FrameSize ") + values.size);
    ReplaceLine(camera, "ResolutionMultiplier 1.0", std::string("ResolutionMultiplier ") + values.multiplier);
    ReplaceLine(camera, "AASamples 1", std::string("AASamples ") + values.samples);
    all.insert(all.end(), camera.begin(), camera.end());
  }
  Lines lines(base.begin(), base.begin() + span.begin);
  lines.insert(lines.end(), all.begin(), all.end());
  lines.insert(lines.end(), base.begin() + span.end, base.end());
  ReplaceLine(lines, "CurrentCamera 0", "CurrentCamera " + current);
  int overlay = FindLine(lines, "DataOverlayLabel  ");
  lines.insert(lines.begin() + overlay,
               {"Plugin ImageFilterHandler 1 Saver", std::string("  \x00\x01\xfe\xff\n\x1a", 8), "EndPlugin"});
  return lines;
}

const std::vector<CameraValues> kThree = {{"320 240", "1.0", "3"}, {"800 600", "2.0", "5"}, {"1024 768", "1.0", "7"}};

Lines ThreeCameras() { return Cameras(kThree, "1"); }
Lines CurrentCameraPastTheEnd() { return Cameras({kThree[0], kThree[1]}, "7"); }
Lines GlobalResolution() {
  Lines lines = RealLines("move_x.lws");
  ReplaceLine(lines, "UseGlobalResolution 0", "UseGlobalResolution 1");
  ReplaceLine(lines, "GlobalFrameSize 640 480", "GlobalFrameSize 1280 720");
  return lines;
}
Lines NoFrameSize() {
  Lines lines = RealLines("move_x.lws");
  lines.erase(lines.begin() + FindLine(lines, "FrameSize 640 480"));
  return lines;
}
// A format line that is no number: the scene is read as the oldest format.
Lines FormatNoNumber() {
  Lines lines = ThreeCameras();
  lines[1] = "x5";
  return lines;
}

class ModernScenesTest : public HeadlessTest {
 protected:
  SceneEntry& Load(const Lines& lines) {
    WriteWinFile(kScene, JoinCrLf(lines));
    ReadSceneEntry(QueueScene(kScene));
    return g.queue.fields[g.queue.currentScene];
  }
};

struct Variant {
  const char* name;
  Lines lines;
};
std::vector<Variant> Variants() {
  return {
      {"lw2019", RealLines("modern/weight_rig_lw2019.lws")},
      {"lw11", RealLines("modern/colors0_lw11.lws")},
      {"lw9.5", RealLines("move_x.lws")},
      {"three cameras, CurrentCamera 1", ThreeCameras()},
      {"CurrentCamera 7 of two", CurrentCameraPastTheEnd()},
      {"UseGlobalResolution 1", GlobalResolution()},
      {"no FrameSize", NoFrameSize()},
      {"format x5", FormatNoNumber()},
  };
}

TEST_F(ModernScenesTest, TheRenderingCamerasValuesAreRead) {
  // FrameSize value, its label, multiplier, pixel aspect, camera sampling.
  const std::vector<Lines> expected = {
      {"1280 720", "1280x720 (XGA)", "1.0", "1.0", "Camera: 1 to 8 samples"},
      {"1920 1080", "1920x1080 (HDTV)", "1.0", "1.0", "Camera: 1 sample"},
      {"640 480", "640x480 (VGA)", "1.0", "1.0", "Camera: 1 sample"},
      {"800 600", "800x600 (SVGA)", "2.0", "1.0", "Camera: 5 samples"},
      {"320 240", "320x240", "1.0", "1.0", "Camera: 3 samples"},
      {"1280 720", "1280x720 (XGA)", "1.0", "1.0", "Camera: 1 sample"},
      {"", "Not found", "1.0", "1.0", "Camera: 1 sample"},
      {"1024 768", "1024x768 (SVGA)", "1.0", "1.0", ""},   // the last lines win, as in a 7.x scene
  };
  std::vector<Variant> variants = Variants();
  for (std::size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE(variants[i].name);
    // A row read before holds other values: none of them may stay.
    SceneEntry& e = Load(RealLines("QuickDraw_v2.2.lws"));
    e[kFieldFrameSize] = "9 9";
    e[kFieldCameraSampling] = "Camera: 9 samples";
    WriteWinFile(kScene, JoinCrLf(variants[i].lines));
    ReadSceneEntry(g.queue.currentScene);
    EXPECT_EQ(Lines({e[kFieldFrameSize], e[kFieldFrameSizeLabel], e[kFieldResolutionMultiplier],
                     e[kFieldPixelAspect], e[kFieldCameraSampling]}),
              expected[i]);
  }
  EXPECT_TRUE(headless::Messages().empty());
}

// Preset 01 as the scene settings window hands it over: half size, "Low",
// Quickshade. From format 4 on the antialiasing is the camera's, so only the
// size, scale and render mode lines change.
TEST_F(ModernScenesTest, APresetWritesOnlyTheRenderingCamerasLines) {
  using Edits = std::vector<std::pair<std::string, std::string>>;
  const std::vector<Edits> expected = {
      {{"ResolutionMultiplier 1.0", "ResolutionMultiplier .5"}, {"FrameSize 1280 720", "FrameSize 640 360"}},
      {{"ResolutionMultiplier 1.0", "ResolutionMultiplier .5"}, {"FrameSize 1920 1080", "FrameSize 960 540"}},
      {{"ResolutionMultiplier 1.0", "ResolutionMultiplier .5"}, {"FrameSize 640 480", "FrameSize 320 240"}},
      {{"ResolutionMultiplier 2.0", "ResolutionMultiplier .5"}, {"FrameSize 800 600", "FrameSize 200 150"}},
      {{"ResolutionMultiplier 1.0", "ResolutionMultiplier .5"}, {"FrameSize 320 240", "FrameSize 160 120"}},
      {{"GlobalMultiplier 1.0", "GlobalMultiplier .5"}, {"GlobalFrameSize 1280 720", "GlobalFrameSize 640 360"}},
      {},   // refused: the scene stays as it was
      // read as format 1: the first lines get the size scaled from the last ones, and Antialiasing its level
      {{"ResolutionMultiplier 1.0", "ResolutionMultiplier .5"},
       {"FrameSize 320 240", "FrameSize 512 384"},
       {"Antialiasing 0", "Antialiasing 1"}},
  };
  std::vector<Variant> variants = Variants();
  for (std::size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE(variants[i].name);
    const int errorsBefore = scenetest::CountMessages("Error!");
    SceneEntry& e = Load(variants[i].lines);
    SceneSettingsChange change;
    change.frameScaleChanged = true;
    change.frameScale = 1;
    change.scaledSize = ScaledFrameSize(e[kFieldFrameSize], e[kFieldResolutionMultiplier], 1);
    change.antialiasingChanged = true;
    change.antialiasing = 1;
    change.renderMode = kRenderModeQuickshade;
    const bool refused = expected[i].empty();
    EXPECT_EQ(RewriteSceneSettings(RewriteMode::kOverwrite, change), !refused);
    Lines after = variants[i].lines;
    for (const auto& [from, to] : expected[i]) ReplaceLine(after, from, to);
    if (!refused)
      for (auto& line : after)
        if (line.rfind("RenderMode ", 0) == 0) line = "RenderMode 1";
    EXPECT_TRUE(ReadWinFile(kScene) == JoinCrLf(after));
    EXPECT_EQ(scenetest::CountMessages("Error!") - errorsBefore, refused ? 1 : 0);
    if (refused) {
      EXPECT_EQ(headless::Messages().back().text,
                "Could not change the frame scale of 'C:\\scenes\\modern.lws'\n\rIts rendering camera has no "
                "FrameSize line. The scene was left unchanged.");
    }
  }
}

// The output path of a scene that saves its frames with a saver line but
// names no path (LightWave 2019's way): one path line right after SaveRGB,
// whatever the format; the saver line rewritten, nothing else touched.
TEST_F(ModernScenesTest, AnOutputPathGoesInOnceAfterSaveRgb) {
  Lines lw2019 = RealLines("modern/weight_rig_lw2019.lws");
  Lines switchedOff = lw2019;
  ReplaceLine(switchedOff, "SaveRGB 1", "SaveRGB 0");
  Lines format3 = lw2019;
  format3[1] = "3";
  for (const Lines& before : {lw2019, switchedOff, format3}) {
    SCOPED_TRACE(before[1] + " " + before[FindLine(before, "OutputFilenameFormat 1") + 1]);
    SceneEntry& e = Load(before);
    ASSERT_EQ(e[kFieldOutputDir], "Not found, please specify");
    const SceneEntry entryBefore = e;
    e[kFieldOutputDir] = "C:\\renders\\";   // the output directory requester ...
    e[kFieldOutputPrefix] = "weight_";      // ... and the output filename window with ".png"
    ASSERT_TRUE(RewriteOutputPath(entryBefore, 5));
    Lines after = before;
    int saveRgb = FindLine(after, before == switchedOff ? "SaveRGB 0" : "SaveRGB 1");
    after[saveRgb] = "SaveRGB 1";
    after.insert(after.begin() + saveRgb + 1, "SaveRGBImagesPrefix C:\\renders\\weight_");
    EXPECT_TRUE(ReadWinFile(kScene) == JoinCrLf(after));
    EXPECT_EQ(Lines({e[kFieldOutputDir], e[kFieldOutputPrefix], e[kFieldImageExtension], e[kFieldSaveRGB]}),
              Lines({"C:\\renders\\", "weight_", ".png", "1"}));
  }
  EXPECT_TRUE(headless::Messages().empty());
}

}  // namespace
