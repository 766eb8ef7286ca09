// Whatever fails while a scene is rewritten, the scene keeps its exact old
// bytes (or, once complete, the new ones), no temporary file is left and the
// user is told.
#include <string>
#include <vector>

#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "scene/scene_test_util.h"

using scenetest::JoinCrLf;
using scenetest::QueueScene;

namespace {

const std::string kScene = "C:\\scenes\\shot.lws";
const std::string kTempText = "Could not create or overwrite temporary file!\n\rAlready in use by other software?";
const std::string kReplaceText =
    "Could not replace 'C:\\scenes\\shot.lws'\n\rThe file was left unchanged. Already in use by other software, or "
    "write-protected?";

class RewriteFaultsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    std::vector<std::string> lines{"LWSC", "FirstFrame 1", "LastFrame 60", "FrameStep 1"};
    for (int i = 0; i < 2000; ++i) lines.push_back("  Key " + std::to_string(i) + " 0 0 0 0 0 0 0 0");
    lines.insert(lines.end(), {"RenderMode 2", "Antialiasing 1", "DataOverlayLabel  ", "SaveRGB 0", "SaveAlpha 0"});
    original_ = JoinCrLf(lines) + "tail";
    WriteWinFile(kScene, original_);
    ReadSceneEntry(QueueScene(kScene));
  }
  SceneEntry& Entry() { return g.queue.fields[g.queue.currentScene]; }
  bool EditLastFrame(const std::string& text) {
    std::string before = Entry()[kFieldLastFrame];
    Entry()[kFieldLastFrame] = text;
    return RewriteOutputSettings(FrameChange::kLastFrame, before, false, kNoIndex);
  }
  SceneSettingsChange SomeChange() {
    SceneSettingsChange change;
    change.antialiasingChanged = true;
    change.antialiasing = 2;
    change.renderMode = kRenderModeWireframe;
    return change;
  }
  void ExpectUnharmed(const std::string& message) {
    EXPECT_EQ(ReadWinFile(kScene), original_);
    EXPECT_TRUE(scenetest::TemporaryFilesBeside(kScene).empty());
    ASSERT_FALSE(headless::Messages().empty());
    EXPECT_EQ(headless::Messages().back().title, "Error!");
    EXPECT_EQ(headless::Messages().back().style, pf::kBoxError);
    EXPECT_EQ(headless::Messages().back().text, message);
  }
  std::string original_;
};

TEST_F(RewriteFaultsTest, AWriteThatFailsHalfwayLeavesTheSceneAsItWas) {
  const std::int64_t size = static_cast<std::int64_t>(original_.size());
  for (std::int64_t budget : {std::int64_t{0}, std::int64_t{1}, std::int64_t{5}, size / 2, size - 5, size - 1}) {
    SCOPED_TRACE(budget);
    headless::FailWritesAfter(budget);
    EXPECT_FALSE(EditLastFrame("90"));
    ExpectUnharmed(kTempText);
    EXPECT_EQ(Entry()[kFieldLastFrame], "60");

    SceneEntry before = Entry();
    headless::FailWritesAfter(budget);
    EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kOverwrite, SomeChange()));
    ExpectUnharmed(kTempText);
    EXPECT_EQ(Entry(), before);   // the entry still says what the scene says
  }
  headless::FailWritesAfter(-1);
  EXPECT_TRUE(EditLastFrame("90"));   // the same edit succeeds once the disk has room
  EXPECT_NE(ReadWinFile(kScene).find("\r\nLastFrame 90\r\n"), std::string::npos);
}

TEST_F(RewriteFaultsTest, AFailedCopyLeavesNoCopyBehind) {
  headless::FailWritesAfter(100);
  EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kCopy, SomeChange()));
  ExpectUnharmed("Could not create file!\n\rDisk full?");
  EXPECT_FALSE(WinFileExists("C:\\scenes\\shot_copy.lws"));
  EXPECT_TRUE(scenetest::TemporaryFilesBeside("C:\\scenes\\shot_copy.lws").empty());
}

TEST_F(RewriteFaultsTest, AWriteProtectedSceneIsReadButNotReplaced) {
  headless::SetReadOnly(kScene);
  EXPECT_FALSE(EditLastFrame("90"));
  ExpectUnharmed(kReplaceText);
  EXPECT_EQ(Entry()[kFieldLastFrame], "60");
  EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kOverwrite, SomeChange()));
  ExpectUnharmed(kReplaceText);
  // A copy beside it is no problem.
  EXPECT_TRUE(RewriteSceneSettings(RewriteMode::kCopy, SomeChange()));
  EXPECT_TRUE(WinFileExists("C:\\scenes\\shot_copy.lws"));
}

TEST_F(RewriteFaultsTest, ASceneLockedByAnotherProgramCannotBeRead) {
  headless::LockPath(kScene);
  EXPECT_FALSE(EditLastFrame("90"));
  ExpectUnharmed("Could not access 'C:\\scenes\\shot.lws'\n\rCheck source file, and try again!");
  EXPECT_EQ(Entry()[kFieldLastFrame], "60");
}

TEST_F(RewriteFaultsTest, ATemporaryFileThatCannotBeCreatedIsReported) {
  headless::LockPath(kScene + "_temp");
  EXPECT_FALSE(EditLastFrame("90"));
  ExpectUnharmed(kTempText);
  headless::LockPath("C:\\scenes\\shot_copy.lws_temp");
  EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kCopy, SomeChange()));
  ExpectUnharmed("Could not create file!\n\rDisk full?");
}

TEST_F(RewriteFaultsTest, AFailedReplaceRemovesTheTemporaryFile) {
  headless::FailReplace();
  EXPECT_FALSE(EditLastFrame("90"));
  ExpectUnharmed(kReplaceText);
  EXPECT_FALSE(RewriteSceneSettings(RewriteMode::kOverwrite, SomeChange()));
  ExpectUnharmed(kReplaceText);
}

TEST_F(RewriteFaultsTest, ALeftoverTemporaryFileIsReplaced) {
  WriteWinFile(kScene + "_temp", std::string(100000, 'z'));
  EXPECT_TRUE(EditLastFrame("90"));
  EXPECT_EQ(ReadWinFile(kScene).size(), original_.size());
  EXPECT_TRUE(scenetest::TemporaryFilesBeside(kScene).empty());
}

// The output settings pass writes, then the second pass and the block
// insertion write again. A disk that fills up in between leaves the scene as
// complete as the last pass that got through.
TEST_F(RewriteFaultsTest, AFailureInALaterPassKeepsTheEarlierPassComplete) {
  Entry()[kFieldOutputDir] = "C:\\out\\";
  Entry()[kFieldOutputPrefix] = "f";
  std::string afterFirstPass = original_;
  afterFirstPass.replace(afterFirstPass.find("SaveRGB 0"), 9, "SaveRGB 1");
  const auto firstPassBytes = static_cast<std::int64_t>(afterFirstPass.size());
  for (std::int64_t extra : {std::int64_t{0}, firstPassBytes / 2, firstPassBytes + 10}) {
    SCOPED_TRACE(extra);
    WriteWinFile(kScene, original_);
    headless::FailWritesAfter(firstPassBytes + extra);
    std::size_t messagesBefore = headless::Messages().size();
    EXPECT_FALSE(RewriteOutputSettings(FrameChange::kNone, "", true, 0));
    EXPECT_EQ(ReadWinFile(kScene), afterFirstPass);
    EXPECT_TRUE(scenetest::TemporaryFilesBeside(kScene).empty());
    EXPECT_EQ(headless::Messages().size(), messagesBefore + 1);
    EXPECT_EQ(headless::Messages().back().text, kTempText);
  }
}

TEST_F(RewriteFaultsTest, AHundredMegabyteSceneIsRewrittenWhole) {
  std::string big = "LWSC\r\nFirstFrame 1\r\n";
  std::string block;
  for (int i = 0; i < 1000; ++i) block += "  Key 0.5 " + std::to_string(i) + " 0 0 0 0 0 0 0\r\n";
  while (big.size() < 100u * 1024 * 1024) big += block;
  big += "LastFrame 60\r\nSaveRGB 0\r\n";
  WriteWinFile(kScene, big);
  ReadSceneEntry(g.queue.currentScene);
  ASSERT_EQ(Entry()[kFieldLastFrame], "60");
  ASSERT_TRUE(EditLastFrame("61"));
  std::string expected = big;
  expected.replace(expected.rfind("LastFrame 60"), 12, "LastFrame 61");
  EXPECT_TRUE(ReadWinFile(kScene) == expected);
}

}  // namespace
