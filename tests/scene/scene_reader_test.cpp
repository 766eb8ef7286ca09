#include <string>

#include "scene/scene_reader.h"
#include "scene/scene_test_util.h"

using scenetest::JoinCrLf;
using scenetest::QueueScene;

namespace {

const std::string kScene = "C:\\scenes\\shot.lws";

class SceneReaderTest : public HeadlessTest {
 protected:
  // Queues a scene with these lines and reads it.
  SceneEntry& Read(const std::vector<std::string>& lines, const std::string& path = kScene) {
    WriteWinFile(path, JoinCrLf(lines));
    int row = QueueScene(path);
    ReadSceneEntry(row);
    return g.queue.fields[row];
  }
};

std::string CorruptedText(const std::string& path) {
  return "'" + path + "'\nis corrupted, or not a valid Lightwave Scene file!\n\nNo file loaded!";
}

TEST_F(SceneReaderTest, OnlyAFirstLineOfExactlyLwscIsAccepted) {
  struct Case {
    std::string bytes;
    bool accepted;
  };
  const Case cases[] = {
      {"LWSC\r\n3\r\n", true},  {"LWSC\r3\r", true},     {"LWSC\r\n", true},
      {"LWSC \r\n", false},     {"lwsc\r\n", false},     {"LWS\r\n", false},
      {" LWSC\r\n", false},     {"LWSC\n3\n", false},    {"", false},
      {"LWSC", false},          {std::string("LWSC\0\r\n", 7), false},
  };
  for (const auto& c : cases) {
    WriteWinFile("C:\\s\\a.lws", c.bytes);
    std::size_t before = headless::Messages().size();
    EXPECT_EQ(CheckSceneFile("C:\\s\\a.lws"), c.accepted) << c.bytes;
    if (c.accepted) {
      EXPECT_EQ(headless::Messages().size(), before);
    } else {
      ASSERT_EQ(headless::Messages().size(), before + 1) << c.bytes;
      EXPECT_EQ(headless::Messages().back().title, "Error!");
      EXPECT_EQ(headless::Messages().back().text, CorruptedText("C:\\s\\a.lws"));
      EXPECT_EQ(headless::Messages().back().style, pf::kBoxError);
    }
  }
  EXPECT_FALSE(CheckSceneFile("C:\\s\\missing.lws"));
  EXPECT_EQ(headless::Messages().back().text, CorruptedText("C:\\s\\missing.lws"));
}

TEST_F(SceneReaderTest, EveryKeyIsReadIntoItsField) {
  WriteWinFile(kScene, scenetest::SampleScene());
  int row = QueueScene(kScene);
  headless::SetDrives({"C:\\", "D:\\"});
  ReadSceneEntry(row);
  const SceneEntry& e = g.queue.fields[row];
  EXPECT_EQ(e[kFieldFirstFrame], "1");
  EXPECT_EQ(e[kFieldLastFrame], "60");
  EXPECT_EQ(e[kFieldFrameStep], "1");
  EXPECT_EQ(e[kFieldOutputDir], "D:\\renders\\shot01\\");
  EXPECT_EQ(e[kFieldOutputPrefix], "frame_");
  EXPECT_EQ(e[kFieldImageSaver], "LW_PNG24(.png)");
  EXPECT_EQ(e[kFieldSaveRGB], "1");
  EXPECT_EQ(e[kFieldFramesPerSecond], "25");
  EXPECT_EQ(e[kFieldResolutionMultiplier], "1.0");
  EXPECT_EQ(e[kFieldFrameSizeLabel], "720x576 (DV PAL)");
  EXPECT_EQ(e[kFieldPixelAspect], "1.0667");
  EXPECT_EQ(e[kFieldAntialiasing], "Enhanced Medium");
  EXPECT_EQ(e[kFieldEnhancedAA], "1");
  EXPECT_EQ(e[kFieldRenderMode], "2");
  EXPECT_EQ(e[kFieldOutputFilenameFormat], "3");
  EXPECT_EQ(e[kFieldFrameSize], "720 576");
  EXPECT_EQ(e[kFieldImageExtension], ".png");
  EXPECT_EQ(e[kFieldCameraSampling], "");   // format 3: no camera sampling
  EXPECT_EQ(e[kFieldPercentDone], "");
  EXPECT_TRUE(headless::Messages().empty());
}

TEST_F(SceneReaderTest, MissingKeysGetTheirDefaults) {
  const SceneEntry& e = Read({"LWSC", "3"});
  EXPECT_EQ(e[kFieldFirstFrame], "0");
  EXPECT_EQ(e[kFieldLastFrame], "60");
  EXPECT_EQ(e[kFieldFrameStep], "1");
  EXPECT_EQ(e[kFieldOutputDir], "Not found, please specify");
  EXPECT_EQ(e[kFieldOutputPrefix], "Not found, please specify");
  EXPECT_EQ(e[kFieldImageSaver], "");
  EXPECT_EQ(e[kFieldSaveRGB], "2");
  EXPECT_EQ(e[kFieldFramesPerSecond], "30");
  EXPECT_EQ(e[kFieldResolutionMultiplier], "1.0");
  EXPECT_EQ(e[kFieldFrameSizeLabel], "640 x 480 (VGA)");   // shown as it stands
  EXPECT_EQ(e[kFieldPixelAspect], "1.0");
  EXPECT_EQ(e[kFieldAntialiasing], "Off");
  EXPECT_EQ(e[kFieldEnhancedAA], "");
  EXPECT_EQ(e[kFieldRenderMode], "2");
  EXPECT_EQ(e[kFieldOutputFilenameFormat], "3");
  EXPECT_EQ(e[kFieldFrameSize], "");
  EXPECT_EQ(e[kFieldImageExtension], "");
}

TEST_F(SceneReaderTest, KeysMatchOnlyAtTheLineStartWithOneBlankAndExactCase) {
  const SceneEntry& e = Read({"LWSC", " FirstFrame 5", "\tLastFrame 9", "framestep 3", "FrameStep\t4",
                              "SaveRGBImagesPrefix C:\\out\\img", "GlobalFrameSize 100 100",
                              "FramesPerSecond  24 ", "RenderMode 1 trailing"});
  EXPECT_EQ(e[kFieldFirstFrame], "0");
  EXPECT_EQ(e[kFieldLastFrame], "60");
  EXPECT_EQ(e[kFieldFrameStep], "1");
  EXPECT_EQ(e[kFieldSaveRGB], "2");                  // "SaveRGBImagesPrefix" is not "SaveRGB "
  EXPECT_EQ(e[kFieldFrameSize], "");
  EXPECT_EQ(e[kFieldFramesPerSecond], " 24 ");       // the rest of the line, untrimmed
  EXPECT_EQ(e[kFieldRenderMode], "1 trailing");
}

TEST_F(SceneReaderTest, TheLastOfSeveralKeyLinesWinsAndAnEmptyValueFallsBackToTheDefault) {
  const SceneEntry& e = Read({"LWSC", "FirstFrame 5", "FirstFrame 7", "LastFrame ", "x", "FrameStep 2",
                              "FrameStep "});
  EXPECT_EQ(e[kFieldFirstFrame], "7");
  EXPECT_EQ(e[kFieldLastFrame], "60");   // emptied, then defaulted on the next line
  EXPECT_EQ(e[kFieldFrameStep], "");     // emptied on the last line: no line left to default it
}

TEST_F(SceneReaderTest, OutputPathIsSplitAtTheLastBackslashAndQuotesEndTheParts) {
  struct Case {
    std::string value, directory, prefix;
  };
  // The prefix line is the scene's last line here, so an empty part stays
  // empty: no later line gives it its default.
  const Case cases[] = {
      {"C:\\Renders\\shot\\img", "C:\\Renders\\shot\\", "img"},
      {"img", "", "img"},
      {"C:\\Renders\\", "C:\\Renders\\", ""},
      {"\"C:\\Renders\\img\"", "", "img"},
      {"C:\\Ren\"ders\\im\"g", "C:\\Ren", "im"},
      {"..\\out\\frame.", "..\\out\\", "frame."},
      {"\\\\server\\share\\f", "\\\\server\\share\\", "f"},
  };
  for (const auto& c : cases) {
    const SceneEntry& e = Read({"LWSC", "SaveRGBImagesPrefix " + c.value});
    EXPECT_EQ(e[kFieldOutputDir], c.directory) << c.value;
    EXPECT_EQ(e[kFieldOutputPrefix], c.prefix) << c.value;
  }
  EXPECT_TRUE(headless::Messages().empty());
}

TEST_F(SceneReaderTest, AnEmptyOutputPathPartTakesItsDefaultOnTheNextLine) {
  const SceneEntry& a = Read({"LWSC", "SaveRGBImagesPrefix img", "RGBImageSaver LW_BMP24(.bmp)"});
  EXPECT_EQ(a[kFieldOutputDir], "Not found, please specify");
  EXPECT_EQ(a[kFieldOutputPrefix], "img");
  const SceneEntry& b = Read({"LWSC", "SaveRGBImagesPrefix C:\\out\\", "SaveAlpha 0"});
  EXPECT_EQ(b[kFieldOutputDir], "C:\\out\\");
  EXPECT_EQ(b[kFieldOutputPrefix], "Not found, please specify");
}

TEST_F(SceneReaderTest, AnOutputDriveThisMachineLacksIsReportedAndForgotten) {
  const std::string path = "C:\\scenes\\Sz\xe9ne \xe4.lws";   // ANSI bytes in the name
  const SceneEntry& e = Read({"LWSC", "SaveRGBImagesPrefix Q:\\out\\img"}, path);
  EXPECT_EQ(e[kFieldOutputDir], "Not found, please specify");
  EXPECT_EQ(e[kFieldOutputPrefix], "img");
  ASSERT_EQ(headless::Messages().size(), 1u);
  EXPECT_EQ(headless::Messages()[0].title, "INFO");
  EXPECT_EQ(headless::Messages()[0].style, pf::kBoxInfo);
  EXPECT_EQ(headless::Messages()[0].text,
            "Output drive 'Q:\\' in 'Sz\xe9ne \xe4.lws' was not found on your system, please relocate.");
}

TEST_F(SceneReaderTest, OutputDrivesAreComparedWithoutCaseAndOnlyWhenThePathHasAColon) {
  headless::SetDrives({"C:\\", "d:\\"});
  EXPECT_EQ(Read({"LWSC", "SaveRGBImagesPrefix D:\\out\\img"})[kFieldOutputDir], "D:\\out\\");
  EXPECT_EQ(Read({"LWSC", "SaveRGBImagesPrefix c:\\out\\img"})[kFieldOutputDir], "c:\\out\\");
  EXPECT_EQ(Read({"LWSC", "SaveRGBImagesPrefix out\\img"})[kFieldOutputDir], "out\\");
  EXPECT_TRUE(headless::Messages().empty());
  // A colon later in the path still tests its first three characters.
  EXPECT_EQ(Read({"LWSC", "SaveRGBImagesPrefix ab:c\\img"})[kFieldOutputDir], "Not found, please specify");
  ASSERT_EQ(headless::Messages().size(), 1u);
  EXPECT_NE(headless::Messages()[0].text.find("'ab:'"), std::string::npos);
}

TEST_F(SceneReaderTest, ValueRulesForPixelAspectSaveRgbAndTheImageExtension) {
  EXPECT_EQ(Read({"LWSC", "PixelAspect 1"})[kFieldPixelAspect], "1.0");
  EXPECT_EQ(Read({"LWSC", "PixelAspect 1.0667"})[kFieldPixelAspect], "1.0667");
  EXPECT_EQ(Read({"LWSC", "PixelAspect 1 "})[kFieldPixelAspect], "1 ");
  EXPECT_EQ(Read({"LWSC", "SaveRGB 1"})[kFieldSaveRGB], "1");
  EXPECT_EQ(Read({"LWSC", "SaveRGB 0 extra"})[kFieldSaveRGB], "0");
  EXPECT_EQ(Read({"LWSC", "RGBImageSaver LW_TGA24(.tga)"})[kFieldImageExtension], ".tga");
  EXPECT_EQ(Read({"LWSC", "RGBImageSaver LW_Cineon(.cin)"})[kFieldImageExtension], ".cin");
  EXPECT_EQ(Read({"LWSC", "RGBImageSaver abc"})[kFieldImageExtension], "abc");
  EXPECT_EQ(ImageExtensionOfSaver("LW_PNG24(.png)"), ".png");
  EXPECT_EQ(ImageExtensionOfSaver(""), "");
}

TEST_F(SceneReaderTest, LabelsComeFromTheAntialiasingAndFrameSizeTables) {
  const SceneEntry& a = Read({"LWSC", "FrameSize 1280 720", "PixelAspect 1.0", "Antialiasing 2"});
  EXPECT_EQ(a[kFieldFrameSizeLabel], "1280x720 (XGA)");
  EXPECT_EQ(a[kFieldAntialiasing], "Medium");
  const SceneEntry& b = Read({"LWSC", "FrameSize 720 576", "PixelAspect 1.07", "Antialiasing 2", "EnhancedAA 0"});
  EXPECT_EQ(b[kFieldFrameSizeLabel], "720x576");
  EXPECT_EQ(b[kFieldAntialiasing], "2");
}

TEST_F(SceneReaderTest, ReReadingKeepsWhatTheFileNoLongerHas) {
  int row = QueueScene(kScene);
  WriteWinFile(kScene, JoinCrLf({"LWSC", "Antialiasing 2", "EnhancedAA 1", "RGBImageSaver LW_TGA24(.tga)",
                                 "FirstFrame 4", "FrameSize 800 600"}));
  ReadSceneEntry(row);
  WriteWinFile(kScene, JoinCrLf({"LWSC", "Antialiasing 2"}));
  ReadSceneEntry(row);
  const SceneEntry& e = g.queue.fields[row];
  EXPECT_EQ(e[kFieldEnhancedAA], "1");
  EXPECT_EQ(e[kFieldAntialiasing], "Enhanced Medium");
  EXPECT_EQ(e[kFieldImageSaver], "LW_TGA24(.tga)");
  EXPECT_EQ(e[kFieldFirstFrame], "4");
  EXPECT_EQ(e[kFieldFrameSizeLabel], "800x600 (SVGA)");
}

TEST_F(SceneReaderTest, AnUnreadableSceneLeavesItsEntryAlone) {
  headless::SetDrives({"C:\\", "D:\\"});
  int row = QueueScene(kScene);
  WriteWinFile(kScene, scenetest::SampleScene());
  ReadSceneEntry(row);
  SceneEntry before = g.queue.fields[row];
  headless::LockPath(kScene);
  ReadSceneEntry(row);
  EXPECT_EQ(g.queue.fields[row], before);

  int blank = QueueScene("C:\\scenes\\gone.lws");
  ReadSceneEntry(blank);
  EXPECT_EQ(g.queue.fields[blank], SceneEntry{});
  EXPECT_TRUE(headless::Messages().empty());

  ReadSceneEntry(99);   // no such row: nothing happens
  ReadSceneEntry(-1);
}

TEST_F(SceneReaderTest, HostileContentIsReadWithoutLimits) {
  std::string longPrefix(200000, 'p');
  std::string bytes = JoinCrLf({"LWSC", "SaveRGBImagesPrefix C:\\out\\" + longPrefix});
  bytes += std::string("RGBImageSaver LW\0X(.b\0p)\r\n", 26);
  bytes += "\n\n\r\n\nFirstFrame 3\r";   // LF-only noise between lines
  WriteWinFile(kScene, bytes);
  int row = QueueScene(kScene);
  ReadSceneEntry(row);
  const SceneEntry& e = g.queue.fields[row];
  EXPECT_EQ(e[kFieldOutputPrefix], longPrefix);
  EXPECT_EQ(e[kFieldImageSaver], std::string("LW\0X(.b\0p)", 10));
  EXPECT_EQ(e[kFieldImageExtension], std::string(".b\0p", 4));
  EXPECT_EQ(e[kFieldFirstFrame], "0");   // that line starts with an LF
}

}  // namespace
