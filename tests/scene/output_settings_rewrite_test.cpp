#include <string>
#include <vector>

#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "scene/scene_test_util.h"

using scenetest::JoinCrLf;
using scenetest::QueueScene;

namespace {

const std::string kScene = "C:\\scenes\\shot.lws";

class OutputSettingsRewriteTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    RememberImageFormatChoice(0);
  }
  void Queue(const std::vector<std::string>& lines) {
    WriteWinFile(kScene, JoinCrLf(lines));
    ReadSceneEntry(QueueScene(kScene));
  }
  SceneEntry& Entry() { return g.queue.fields[g.queue.currentScene]; }
  std::string Scene() { return ReadWinFile(kScene); }
  // What the output filename window does at OK with a name and a format.
  bool SetOutputFilename(const std::string& prefix, int format) {
    Entry()[kFieldOutputPrefix] = prefix;
    Entry()[kFieldImageExtension] = ImageFormatExtension(format);
    RememberImageFormatChoice(format);
    return RewriteOutputSettings(FrameChange::kNone, "", true, format);
  }
  // What the main window does after an edit of a frame field.
  bool EditFrame(FrameChange frame, SceneField field, const std::string& text) {
    std::string before = Entry()[field];
    Entry()[field] = text;
    return RewriteOutputSettings(frame, before, false, kNoIndex);
  }
};

TEST_F(OutputSettingsRewriteTest, AFrameChangeReplacesOnlyTheFirstLineOfItsKey) {
  Queue({"LWSC", "FirstFrame 1", "LastFrame 60", "FrameStep 1", "FirstFrame 9", "SaveRGB 0"});
  ASSERT_TRUE(EditFrame(FrameChange::kFirstFrame, kFieldFirstFrame, "-5"));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "FirstFrame -5", "LastFrame 60", "FrameStep 1", "FirstFrame 9", "SaveRGB 0"}));
  EXPECT_EQ(Entry()[kFieldFirstFrame], "9");   // read again: the last line wins
  ASSERT_TRUE(EditFrame(FrameChange::kLastFrame, kFieldLastFrame, "120"));
  ASSERT_TRUE(EditFrame(FrameChange::kFrameStep, kFieldFrameStep, "2"));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "FirstFrame -5", "LastFrame 120", "FrameStep 2", "FirstFrame 9", "SaveRGB 0"}));
  EXPECT_TRUE(headless::Messages().empty());
}

TEST_F(OutputSettingsRewriteTest, SettingANameSwitchesSavingOnAndAddsTheOutputLinesBelowIt) {
  const std::vector<std::string> expected{
      "LWSC", "DataOverlayLabel  ", "SaveRGB 1", "OutputFilenameFormat 3", "SaveRGBImagesPrefix C:\\out\\frame_",
      "RGBImageSaver LW_TGA24(.tga)", "SaveAlpha 0"};
  for (const char* saveRgb : {"SaveRGB 0", "SaveRGB 1"}) {
    Queue({"LWSC", "DataOverlayLabel  ", saveRgb, "SaveAlpha 0"});
    Entry()[kFieldOutputDir] = "C:\\out\\";
    ASSERT_TRUE(SetOutputFilename("frame_", 1));
    EXPECT_EQ(Scene(), JoinCrLf(expected)) << saveRgb;
    EXPECT_EQ(Entry()[kFieldImageSaver], "LW_TGA24(.tga)");
    EXPECT_EQ(Entry()[kFieldOutputPrefix], "frame_");
    EXPECT_EQ(Entry()[kFieldSaveRGB], "1");
  }
}

// The label line is the user's: it stays as it stands, the block below it.
TEST_F(OutputSettingsRewriteTest, WithoutSaveRgbTheBlockFollowsTheDataOverlayLabelLine) {
  Queue({"LWSC", "RenderMode 2", "DataOverlayLabel  Shot 12 %f", "SaveAlpha 0", "DataOverlayLabel  ", "End"});
  ASSERT_EQ(Entry()[kFieldSaveRGB], "2");
  Entry()[kFieldOutputDir] = "C:\\out\\";
  ASSERT_TRUE(SetOutputFilename("img", 5));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "RenderMode 2", "DataOverlayLabel  Shot 12 %f", "SaveRGB 1", "OutputFilenameFormat 3",
                               "SaveRGBImagesPrefix C:\\out\\img", "RGBImageSaver LW_PNG24(.png)", "SaveAlpha 0",
                               "DataOverlayLabel  ", "End"}));
  EXPECT_EQ(Entry()[kFieldSaveRGB], "1");
  EXPECT_EQ(headless::Messages().size(), 0u);
}

TEST_F(OutputSettingsRewriteTest, ExistingOutputLinesAreAllRewritten) {
  Queue({"LWSC", "SaveRGB 1", "SaveRGBImagesPrefix C:\\old\\a", "RGBImageSaver LW_BMP24(.bmp)",
         "SaveRGBImagesPrefix C:\\older\\b", "RGBImageSaver LW_PCX(.pcx)"});
  Entry()[kFieldOutputDir] = "C:\\new\\";
  ASSERT_TRUE(RewriteOutputSettings(FrameChange::kNone, "", true, kNoIndex));
  // The last lines win when read, so the saver kept is the PCX one.
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "SaveRGB 1", "SaveRGBImagesPrefix C:\\new\\b", "RGBImageSaver LW_PCX(.pcx)",
                               "SaveRGBImagesPrefix C:\\new\\b", "RGBImageSaver LW_PCX(.pcx)"}));
}

TEST_F(OutputSettingsRewriteTest, AnUnknownSaverIsKeptUnlessAFormatIsPicked) {
  for (const char* saver : {"LW_Cineon(.cin)", "LW_TGA32(.tga)"}) {
    Queue({"LWSC", "LastFrame 10", "SaveRGB 1", "SaveRGBImagesPrefix C:\\out\\f", std::string("RGBImageSaver ") + saver});
    RememberImageFormatChoice(3);
    ASSERT_TRUE(EditFrame(FrameChange::kLastFrame, kFieldLastFrame, "20"));
    EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "LastFrame 20", "SaveRGB 1", "SaveRGBImagesPrefix C:\\out\\f",
                                 std::string("RGBImageSaver ") + saver}));
    // OK in the output filename window with no format selected keeps it too.
    ASSERT_TRUE(RewriteOutputSettings(FrameChange::kNone, "", true, kNoIndex));
    EXPECT_EQ(Entry()[kFieldImageSaver], saver);
    ASSERT_TRUE(SetOutputFilename("f", 2));
    EXPECT_EQ(Entry()[kFieldImageSaver], "LW_JPEG(.jpg)");
    EXPECT_EQ(Entry()[kFieldImageExtension], ".jpg");
  }
}

TEST_F(OutputSettingsRewriteTest, ASceneWithoutSaverTakesTheLastChosenFormat) {
  Queue({"LWSC", "SaveRGB 0"});
  Entry()[kFieldOutputDir] = "C:\\out\\";   // as the output directory requester leaves it
  Entry()[kFieldOutputPrefix] = "f";
  RememberImageFormatChoice(3);
  ASSERT_TRUE(RewriteOutputSettings(FrameChange::kNone, "", true, kNoIndex));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "SaveRGB 1", "OutputFilenameFormat 3", "SaveRGBImagesPrefix C:\\out\\f",
                               "RGBImageSaver LW_TIFF24(.tif)"}));
  EXPECT_EQ(LastImageFormatChoice(), 3);
}

// An old scene without output lines and an unknown output path gets no
// saver line, so its entry names no saver and no extension afterwards.
TEST_F(OutputSettingsRewriteTest, TheEntryNamesOnlyASaverTheSceneHolds) {
  Queue({"LWSC", "FirstFrame 1", "LastFrame 30", "SaveRGB 0"});
  ASSERT_EQ(Entry()[kFieldOutputDir], "Not found, please specify");
  ASSERT_TRUE(EditFrame(FrameChange::kLastFrame, kFieldLastFrame, "40"));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "FirstFrame 1", "LastFrame 40", "SaveRGB 0"}));
  EXPECT_EQ(Entry()[kFieldImageSaver], "");
  EXPECT_EQ(Entry()[kFieldImageExtension], "");

  // A write that fails leaves the entry's saver as it was.
  Queue({"LWSC", "FirstFrame 1", "SaveRGB 1", "SaveRGBImagesPrefix C:\\out\\f", "RGBImageSaver LW_PNG24(.png)"});
  headless::LockPath(kScene);
  EXPECT_FALSE(SetOutputFilename("g", 1));
  headless::LockPath(kScene, false);
  EXPECT_EQ(Entry()[kFieldImageSaver], "LW_PNG24(.png)");
}

TEST_F(OutputSettingsRewriteTest, ThePlaceholderIsNeverWrittenAsAPath) {
  // The output drive is missing here, so the directory reads as the placeholder.
  Queue({"LWSC", "FirstFrame 1", "SaveRGB 1", "SaveRGBImagesPrefix Q:\\out\\img", "RGBImageSaver LW_BMP24(.bmp)"});
  ASSERT_EQ(Entry()[kFieldOutputDir], "Not found, please specify");
  ASSERT_TRUE(EditFrame(FrameChange::kFirstFrame, kFieldFirstFrame, "3"));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "FirstFrame 3", "SaveRGB 1", "SaveRGBImagesPrefix Q:\\out\\img",
                               "RGBImageSaver LW_BMP24(.bmp)"}));

  // A scene without any output lines gets no block of placeholders.
  Queue({"LWSC", "FirstFrame 1", "DataOverlayLabel  ", "End"});
  ASSERT_TRUE(EditFrame(FrameChange::kFirstFrame, kFieldFirstFrame, "2"));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "FirstFrame 2", "DataOverlayLabel  ", "End"}));
  EXPECT_TRUE(InsertOutputBlock());
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "FirstFrame 2", "DataOverlayLabel  ", "End"}));
}

TEST_F(OutputSettingsRewriteTest, OutputBlockInsertionFollowsEverySaveRgbOneLine) {
  Queue({"LWSC", "SaveRGB 1", "x", "SaveRGB 1 again", "SaveRGB 0"});
  Entry()[kFieldOutputDir] = "C:\\o\\";
  Entry()[kFieldOutputPrefix] = "p";
  Entry()[kFieldImageSaver] = "LW_PCX(.pcx)";
  Entry()[kFieldOutputFilenameFormat] = "6";
  ASSERT_TRUE(InsertOutputBlock());
  const std::vector<std::string> block{"OutputFilenameFormat 6", "SaveRGBImagesPrefix C:\\o\\p",
                                       "RGBImageSaver LW_PCX(.pcx)"};
  std::vector<std::string> expected{"LWSC", "SaveRGB 1"};
  expected.insert(expected.end(), block.begin(), block.end());
  expected.push_back("x");
  expected.push_back("SaveRGB 1");
  expected.insert(expected.end(), block.begin(), block.end());
  expected.push_back("SaveRGB 0");
  EXPECT_EQ(Scene(), JoinCrLf(expected));
  EXPECT_TRUE(headless::Messages().empty());
}

TEST_F(OutputSettingsRewriteTest, TheEntryIsReadAgainFromTheRewrittenScene) {
  Queue({"LWSC", "FirstFrame 1", "FramesPerSecond 25", "SaveRGBImagesPrefix C:\\old\\a",
         "RGBImageSaver LW_BMP24(.bmp)", "RenderMode 2"});
  Entry()[kFieldFramesPerSecond] = "99";   // an entry that no longer says what the scene says
  // Another program changed the scene since it was queued.
  WriteWinFile(kScene, JoinCrLf({"LWSC", "FirstFrame 1", "FramesPerSecond 25", "SaveRGBImagesPrefix C:\\old\\a",
                                 "RGBImageSaver LW_BMP24(.bmp)", "RenderMode 1"}));
  Entry()[kFieldOutputDir] = "Q:\\new\\";   // typed in, on a drive this machine lacks
  ASSERT_TRUE(RewriteOutputSettings(FrameChange::kNone, "", true, kNoIndex));
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "FirstFrame 1", "FramesPerSecond 25", "SaveRGBImagesPrefix Q:\\new\\a",
                               "RGBImageSaver LW_BMP24(.bmp)", "RenderMode 1"}));
  EXPECT_EQ(Entry()[kFieldFramesPerSecond], "25");
  EXPECT_EQ(Entry()[kFieldRenderMode], "1");
  // Reading it again includes the output drive check.
  EXPECT_EQ(Entry()[kFieldOutputDir], "Not found, please specify");
  EXPECT_EQ(Entry()[kFieldOutputPrefix], "a");
  ASSERT_EQ(headless::Messages().size(), 1u);
  EXPECT_EQ(headless::Messages()[0].text,
            "Output drive 'Q:\\' in 'shot.lws' was not found on your system, please relocate.");
}

// A new output path that does not get into the scene, for whatever reason,
// is reported, and the entry is left describing the file: frame counting
// must not look for files the scene will never write.
TEST_F(OutputSettingsRewriteTest, AnOutputPathThatDoesNotGoInLeavesTheEntryAsTheFileSays) {
  const std::vector<std::string> saving{"LWSC", "SaveRGB 1", "SaveRGBImagesPrefix C:\\old\\a",
                                        "RGBImageSaver LW_BMP24(.bmp)"};
  enum class Fault { kNowhere, kLocked, kReplace };
  struct Row {
    const char* what;
    std::vector<std::string> scene;
    Fault fault;
    bool newName;               // the output filename window; otherwise the folder requester
    const char* message;        // the start of the error shown
    const char* dir;            // the entry afterwards
    const char* prefix;
    const char* extension;
  };
  const Row rows[] = {
      {"no SaveRGB and no DataOverlayLabel line", {"LWSC", "FirstFrame 1", "End"}, Fault::kNowhere, true,
       "Could not write the output settings into 'C:\\scenes\\shot.lws'", "C:\\out\\", "Not found, please specify",
       ""},
      {"a held scene, new name", saving, Fault::kLocked, true, "Could not access", "C:\\old\\", "a", ".bmp"},
      {"a held scene, new folder", saving, Fault::kLocked, false, "Could not access", "C:\\old\\", "a", ".bmp"},
      {"a failed replace, new name", saving, Fault::kReplace, true, "Could not replace", "C:\\old\\", "a", ".bmp"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    Queue(row.scene);
    if (row.fault == Fault::kNowhere) Entry()[kFieldOutputDir] = "C:\\out\\";   // chosen before, prefix unknown
    const SceneEntry before = Entry();
    const std::string bytes = Scene();
    if (row.fault == Fault::kLocked) headless::LockPath(kScene);
    if (row.fault == Fault::kReplace) headless::FailReplace();
    if (row.newName) {
      Entry()[kFieldOutputPrefix] = "img";
      Entry()[kFieldImageExtension] = ImageFormatExtension(5);
    } else {
      Entry()[kFieldOutputDir] = "C:\\new\\";
    }
    EXPECT_FALSE(RewriteOutputPath(before, row.newName ? 5 : kNoIndex));
    headless::LockPath(kScene, false);
    EXPECT_EQ(Scene(), bytes);
    EXPECT_TRUE(scenetest::TemporaryFilesBeside(kScene).empty());
    ASSERT_EQ(headless::Messages().size(), 1u);
    EXPECT_EQ(headless::Messages()[0].title, "Error!");
    EXPECT_EQ(headless::Messages()[0].text.rfind(row.message, 0), 0u) << headless::Messages()[0].text;
    EXPECT_EQ(Entry()[kFieldOutputDir], row.dir);
    EXPECT_EQ(Entry()[kFieldOutputPrefix], row.prefix);
    EXPECT_EQ(Entry()[kFieldImageExtension], row.extension);
    EXPECT_EQ(Entry()[kFieldImageSaver], before[kFieldImageSaver]);
  }
  // The block insertion on its own says so too.
  Queue({"LWSC", "SaveRGB 0"});
  Entry()[kFieldOutputDir] = "C:\\o\\";
  Entry()[kFieldOutputPrefix] = "p";
  EXPECT_FALSE(InsertOutputBlock());
  EXPECT_EQ(Scene(), JoinCrLf({"LWSC", "SaveRGB 0"}));
  EXPECT_EQ(headless::Messages().back().title, "Error!");
}

TEST_F(OutputSettingsRewriteTest, AnUnwritableSceneGetsItsFrameFieldBack) {
  WriteWinFile(kScene, "LWSC\nLastFrame 60\n");
  QueueScene(kScene);
  Entry()[kFieldLastFrame] = "60";
  EXPECT_FALSE(EditFrame(FrameChange::kLastFrame, kFieldLastFrame, "90"));
  EXPECT_EQ(Entry()[kFieldLastFrame], "60");
  EXPECT_EQ(Scene(), "LWSC\nLastFrame 60\n");
  ASSERT_EQ(headless::Messages().size(), 1u);
  EXPECT_EQ(headless::Messages()[0].text, "Could not access 'C:\\scenes\\shot.lws'\n\rCheck source file, and try again!");

  // A damaged scene without a LastFrame line takes nothing: the field keeps
  // the value the file gives.
  Queue({"LWSC", "FirstFrame 1", "SaveRGB 0"});
  ASSERT_EQ(Entry()[kFieldLastFrame], "60");
  ASSERT_TRUE(EditFrame(FrameChange::kLastFrame, kFieldLastFrame, "90"));
  EXPECT_EQ(Entry()[kFieldLastFrame], "60");
}

TEST_F(OutputSettingsRewriteTest, CrOnlyScenesComeBackWithCrLfAndTheirTail) {
  WriteWinFile(kScene, "LWSC\rFirstFrame 1\rSaveRGB 0\rtrailing bytes");
  ReadSceneEntry(QueueScene(kScene));
  ASSERT_TRUE(EditFrame(FrameChange::kFirstFrame, kFieldFirstFrame, "7"));
  EXPECT_EQ(Scene(), "LWSC\r\nFirstFrame 7\r\nSaveRGB 0\r\ntrailing bytes");
}

TEST_F(OutputSettingsRewriteTest, HostileScenesAreRewrittenWithoutLoss) {
  const std::string path = "C:\\Sz\xe8nes \xa7\\d\xe9j\xe0 vu.lws";
  std::string longLine(10 * 1024 * 1024, 'q');
  longLine[12345] = '\0';
  std::vector<std::string> lines{"LWSC", "  FirstFrame 5", "\tLastFrame 6", longLine, "FirstFrame 1",
                                 "Plugin \"quoted\" \xff\xfe", "SaveRGB 0"};
  WriteWinFile(path, JoinCrLf(lines) + "\r\n\r");   // an empty line and a lone CR at the end
  ReadSceneEntry(QueueScene(path));
  ASSERT_EQ(Entry()[kFieldFirstFrame], "1");
  ASSERT_TRUE(EditFrame(FrameChange::kFirstFrame, kFieldFirstFrame, "-3"));
  Entry()[kFieldOutputDir] = "C:\\out \"x\"\\";
  ASSERT_TRUE(SetOutputFilename("fr\xe4me", 3));
  lines[4] = "FirstFrame -3";
  lines[6] = "SaveRGB 1";
  lines.insert(lines.end(), {"OutputFilenameFormat 3", "SaveRGBImagesPrefix C:\\out \"x\"\\fr\xe4me",
                             "RGBImageSaver LW_TIFF24(.tif)"});
  EXPECT_TRUE(ReadWinFile(path) == JoinCrLf(lines) + "\r\n\r\n");
  EXPECT_TRUE(scenetest::TemporaryFilesBeside(path).empty());
}

}  // namespace
