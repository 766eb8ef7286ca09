// The scene files LightWave itself wrote: read, checked and rewritten, and
// compared whole with what the rules say they must become.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "scene/scene_test_util.h"

using scenetest::FindLine;
using scenetest::JoinCrLf;
using scenetest::QueueScene;
using scenetest::SplitCrLf;

namespace fs = std::filesystem;

namespace {

const std::string kScene = "C:\\scenes\\real.lws";
using Lines = std::vector<std::string>;

std::vector<std::string> RealScenes(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(SceneSamplePath(folder)))
    if (item.path().extension() == ".lws") names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The value of the last line that starts with key and a blank, as a plain
// scan of the file finds it; empty when there is none.
std::string LastValue(const Lines& lines, const std::string& key, bool& found) {
  found = false;
  std::string value;
  for (const auto& line : lines) {
    if (line.rfind(key + " ", 0) == 0) {
      value = line.substr(key.size() + 1);
      found = true;
    }
  }
  return value;
}

class RealScenesTest : public HeadlessTest {
 protected:
  // Puts the real scene on drive C: and queues it.
  std::string Load(const std::string& name) {
    std::string bytes = ReadHostFile(SceneSamplePath(name));
    WriteWinFile(kScene, bytes);
    ReadSceneEntry(QueueScene(kScene));
    return bytes;
  }
  SceneEntry& Entry() { return g.queue.fields[g.queue.currentScene]; }

  // Runs rewrite on every real scene and compares the result with the
  // scene's lines changed by edit.
  void ExpectEveryScene(const std::function<bool()>& rewrite, const std::function<void(Lines&)>& edit) {
    for (const auto& name : RealScenes(".")) {
      SCOPED_TRACE(name);
      Lines lines = SplitCrLf(Load(name));
      ASSERT_TRUE(rewrite());
      edit(lines);
      std::string got = ReadWinFile(kScene);
      EXPECT_EQ(got, JoinCrLf(lines));
      if (got != JoinCrLf(lines)) return;   // one scene's diff is enough to read
    }
  }
};

TEST_F(RealScenesTest, ScenesAreAcceptedOrRejectedByTheirFirstLine) {
  std::vector<std::string> all = RealScenes(".");
  ASSERT_GE(all.size(), 15u);
  for (const auto& name : all) {
    std::string bytes = ReadHostFile(SceneSamplePath(name));
    WriteWinFile(kScene, bytes);
    bool crlfFirstLine = bytes.rfind("LWSC\r", 0) == 0;
    EXPECT_EQ(CheckSceneFile(kScene), crlfFirstLine) << name;
  }
  for (const auto& name : RealScenes("lf-only")) {
    WriteWinFile(kScene, ReadHostFile(SceneSamplePath("lf-only/" + name)));
    EXPECT_FALSE(CheckSceneFile(kScene)) << name;
  }
  EXPECT_EQ(scenetest::CountMessages("Error!"), static_cast<int>(RealScenes("lf-only").size()));
}

TEST_F(RealScenesTest, FieldsReadMatchTheFile) {
  struct Plain {
    const char* key;
    SceneField field;
    const char* fallback;
  };
  const Plain plain[] = {
      {"FirstFrame", kFieldFirstFrame, "0"},         {"LastFrame", kFieldLastFrame, "60"},
      {"FrameStep", kFieldFrameStep, "1"},           {"FramesPerSecond", kFieldFramesPerSecond, "30"},
      {"ResolutionMultiplier", kFieldResolutionMultiplier, "1.0"},
      {"RenderMode", kFieldRenderMode, "2"},         {"OutputFilenameFormat", kFieldOutputFilenameFormat, "3"},
      {"FrameSize", kFieldFrameSize, ""},
  };
  for (const auto& name : RealScenes(".")) {
    SCOPED_TRACE(name);
    Lines lines = SplitCrLf(Load(name));
    const SceneEntry& e = Entry();
    bool found = false;
    for (const auto& p : plain) {
      std::string value = LastValue(lines, p.key, found);
      EXPECT_EQ(e[p.field], found ? value : p.fallback) << p.key;
    }
    std::string saveRgb = LastValue(lines, "SaveRGB", found);
    EXPECT_EQ(e[kFieldSaveRGB], found ? saveRgb.substr(0, 1) : "2");
    std::string aspect = LastValue(lines, "PixelAspect", found);
    EXPECT_EQ(e[kFieldPixelAspect], !found || aspect == "1" ? "1.0" : aspect);
    std::string level = LastValue(lines, "Antialiasing", found);
    EXPECT_EQ(e[kFieldAntialiasing], kAntialiasingLevels[std::stoi(found ? level : "0")].label);
    EXPECT_EQ(e[kFieldOutputDir], "Not found, please specify");
    EXPECT_EQ(e[kFieldOutputPrefix], "Not found, please specify");
    EXPECT_EQ(e[kFieldImageSaver], "");
    EXPECT_EQ(e[kFieldImageExtension], "");
    std::string size = LastValue(lines, "FrameSize", found);
    EXPECT_EQ(e[kFieldFrameSizeLabel], found ? FrameSizeLabel("640x480", "") : std::string(kDefaultFrameSizeLabel));
    if (found) {
      EXPECT_EQ(size, "640 480");
    }
  }
  EXPECT_TRUE(headless::Messages().empty());
}

TEST_F(RealScenesTest, RewritesThatChangeNothingLeaveEveryByte) {
  for (const auto& name : RealScenes(".")) {
    SCOPED_TRACE(name);
    std::string bytes = Load(name);
    ASSERT_TRUE(RewriteSceneSettings(RewriteMode::kOverwrite, SceneSettingsChange{}));
    EXPECT_TRUE(ReadWinFile(kScene) == bytes);
    ASSERT_TRUE(RewriteOutputSettings(FrameChange::kNone, "", false, kNoIndex));
    EXPECT_TRUE(ReadWinFile(kScene) == bytes);
  }
  // The LF-only copies come back with CR LF ends after a plain read and write
  // would have been impossible: they have no lines, so they stay untouched.
  for (const auto& name : RealScenes("lf-only")) {
    std::string bytes = ReadHostFile(SceneSamplePath("lf-only/" + name));
    WriteWinFile(kScene, bytes);
    QueueScene(kScene);
    EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kOverwrite, SceneSettingsChange{}));
    EXPECT_TRUE(ReadWinFile(kScene) == bytes);
  }
}

// The rule of the scene settings rewrite for one key, applied to the lines:
// the first line holding the key text is replaced when it starts with it.
void ReplaceFirstKeyLine(Lines& lines, const std::string& keyText, const std::string& newLine) {
  for (auto& line : lines) {
    auto at = line.find(keyText);
    if (at == std::string::npos) continue;
    if (at == 0) line = newLine;
    return;
  }
}

TEST_F(RealScenesTest, FrameScaleChangesTheMultiplierAndFrameSizeLines) {
  ExpectEveryScene(
      [this] {
        SceneSettingsChange change;
        change.frameScaleChanged = true;
        change.frameScale = 3;
        change.scaledSize = ScaledFrameSize(Entry()[kFieldFrameSize], Entry()[kFieldResolutionMultiplier], 3);
        return RewriteSceneSettings(RewriteMode::kOverwrite, change);
      },
      [](Lines& lines) {
        ReplaceFirstKeyLine(lines, "ResolutionMultiplier ", "ResolutionMultiplier 2.0");
        ReplaceFirstKeyLine(lines, "FrameSize ", "FrameSize 1280 960");
      });
}

TEST_F(RealScenesTest, AnEnhancedLevelAddsItsLineBelowAntialiasing) {
  ExpectEveryScene(
      [] {
        SceneSettingsChange change;
        change.antialiasingChanged = true;
        change.antialiasing = 6;
        return RewriteSceneSettings(RewriteMode::kOverwrite, change);
      },
      [](Lines& lines) {
        // From format 4 on these lines are left over from older versions:
        // the camera's sampling renders, and nothing is written to them.
        if (std::stoi(lines[1]) >= 4) return;
        int at = FindLine(lines, "Antialiasing 0");
        ASSERT_GE(at, 0);
        lines[at] = "Antialiasing 3";
        lines.insert(lines.begin() + at + 1, "EnhancedAA 1");
      });
}

TEST_F(RealScenesTest, WireframeRewritesTheRenderModeLine) {
  ExpectEveryScene(
      [] {
        SceneSettingsChange change;
        change.renderMode = kRenderModeWireframe;
        return RewriteSceneSettings(RewriteMode::kOverwrite, change);
      },
      [](Lines& lines) {
        for (auto& line : lines)
          if (line.rfind("RenderMode ", 0) == 0) line = "RenderMode 0";
      });
}

TEST_F(RealScenesTest, AFilenameFormatIsNotAddedToScenesWithoutOne) {
  ExpectEveryScene(
      [] {
        SceneSettingsChange change;
        change.filenameFormatChanged = true;
        change.filenameFormat = 5;
        return RewriteSceneSettings(RewriteMode::kOverwrite, change);
      },
      [](Lines&) {});
}

TEST_F(RealScenesTest, FrameEditsChangeTheirOneLine) {
  struct Edit {
    FrameChange frame;
    SceneField field;
    const char* key;
  };
  for (const Edit& edit : {Edit{FrameChange::kFirstFrame, kFieldFirstFrame, "FirstFrame "},
                           Edit{FrameChange::kLastFrame, kFieldLastFrame, "LastFrame "},
                           Edit{FrameChange::kFrameStep, kFieldFrameStep, "FrameStep "}}) {
    ExpectEveryScene(
        [&] {
          std::string before = Entry()[edit.field];
          Entry()[edit.field] = "-17";
          return RewriteOutputSettings(edit.frame, before, false, kNoIndex);
        },
        [&](Lines& lines) {
          for (auto& line : lines) {
            if (line.rfind(edit.key, 0) == 0) {
              line = std::string(edit.key) + "-17";
              break;
            }
          }
        });
  }
}

TEST_F(RealScenesTest, SettingAnOutputFilenameSwitchesSavingOnWithAnOutputBlock) {
  ExpectEveryScene(
      [this] {
        Entry()[kFieldOutputDir] = "C:\\renders\\";   // chosen in the main window first
        Entry()[kFieldOutputPrefix] = "shot_";
        Entry()[kFieldImageExtension] = ".tga";
        return RewriteOutputSettings(FrameChange::kNone, "", true, 1);
      },
      [](Lines& lines) {
        int at = FindLine(lines, "SaveRGB 0");
        ASSERT_GE(at, 0);
        lines[at] = "SaveRGB 1";
        lines.insert(lines.begin() + at + 1, {"OutputFilenameFormat 3", "SaveRGBImagesPrefix C:\\renders\\shot_",
                                              "RGBImageSaver LW_TGA24(.tga)"});
      });
  EXPECT_EQ(Entry()[kFieldSaveRGB], "1");
  EXPECT_EQ(Entry()[kFieldOutputDir], "C:\\renders\\");
  EXPECT_EQ(Entry()[kFieldImageExtension], ".tga");
}

}  // namespace
