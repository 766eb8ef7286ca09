// Each scene rewrite with every one of its file operations failing in turn,
// and with the disk filling up after every number of bytes it writes: the
// file written holds exactly its old bytes or exactly what a pass that went
// through left (the last of them: the complete new scene), no temporary
// file is left, a rewrite that reports success left the complete new scene
// and one that did not go through says so.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "scene/render_tables.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"
#include "scene/scene_test_util.h"

using scenetest::QueueScene;

namespace {

const std::string kScene = "C:\\scenes\\shot.lws";
const std::string kCopy = "C:\\scenes\\shot_copy.lws";
const std::string kAbsent = "(no file)";

struct Rewrite {
  const char* name;
  std::string scene;                       // the file's bytes
  std::string target;                      // the file the rewrite writes
  std::function<bool(SceneEntry&)> run;    // what the user did, on the queued entry
};

// Lines with CR LF ends, one with a CR alone, and bytes after the last end:
// a complete rewrite differs from the old scene even where no key changed.
std::string SceneBytes(const std::vector<std::string>& lines) {
  std::string bytes = "LWSC\r3\r\n\r\n";
  for (int i = 0; i < 12; ++i) bytes += "  Key " + std::to_string(i) + " 0 0 0 0\r\n";
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes + "ViewConfiguration 0\r\ntail";
}

std::vector<Rewrite> Rewrites() {
  const std::string withOutput = SceneBytes({"FirstFrame 1", "LastFrame 60", "FrameStep 1", "RenderMode 2",
                                             "Antialiasing 2", "EnhancedAA 1", "ResolutionMultiplier 1.0",
                                             "FrameSize 640 480", "DataOverlayLabel  ", "OutputFilenameFormat 3",
                                             "SaveRGB 1", "SaveRGBImagesPrefix C:\\out\\a", "RGBImageSaver LW_PNG24(.png)"});
  // Saving switched off, a saver none of the seven formats names.
  const std::string switchedOff = SceneBytes({"FirstFrame 1", "LastFrame 60", "DataOverlayLabel  ", "SaveRGB 0",
                                              "SaveRGBImagesPrefix C:\\out\\a", "RGBImageSaver LW_Cineon(.cin)"});
  const std::string noOutput = SceneBytes({"FirstFrame 1", "LastFrame 60", "DataOverlayLabel  ", "SaveRGB 0"});
  SceneSettingsChange settings;
  settings.frameScaleChanged = true;
  settings.frameScale = 3;
  settings.scaledSize = {1280, 960};
  settings.antialiasingChanged = true;
  settings.antialiasing = 5;
  settings.renderMode = kRenderModeQuickshade;
  return {
      {"a frame field", withOutput, kScene,
       [](SceneEntry& e) {
         e[kFieldLastFrame] = "90";
         return RewriteOutputSettings(FrameChange::kLastFrame, "60", false, kNoIndex);
       }},
      {"the output directory of a scene that saved no frames", switchedOff, kScene,
       [](SceneEntry& e) {
         e[kFieldOutputDir] = "C:\\new\\";
         return RewriteOutputSettings(FrameChange::kNone, "", true, kNoIndex);
       }},
      {"an output name and format for a scene without output lines", noOutput, kScene,
       [](SceneEntry& e) {
         e[kFieldOutputDir] = "C:\\out\\";
         e[kFieldOutputPrefix] = "f";
         e[kFieldImageExtension] = ".tga";
         RememberImageFormatChoice(1);
         return RewriteOutputSettings(FrameChange::kNone, "", true, 1);
       }},
      {"the scene settings", withOutput, kScene,
       [settings](SceneEntry&) { return RewriteSceneSettings(RewriteMode::kOverwrite, settings); }},
      {"the scene settings as a copy", withOutput, kCopy,
       [settings](SceneEntry&) { return RewriteSceneSettings(RewriteMode::kCopy, settings); }},
      {"the output block", withOutput, kScene,
       [](SceneEntry& e) {
         e[kFieldOutputPrefix] = "b";
         return InsertOutputBlock();
       }},
  };
}

class RewriteFaultWalkTest : public HeadlessTest {
 protected:
  // The scene as it was, queued and read afresh; nothing fails meanwhile.
  void Restore(const Rewrite& rewrite) {
    headless::FailWritesAfter(-1);
    headless::FailFileOperation(0);
    WriteWinFile(kScene, rewrite.scene);
    std::filesystem::remove(headless::HostPath(kCopy));
    ResetProgramState();
    RememberImageFormatChoice(0);
    ReadSceneEntry(QueueScene(kScene));
  }
  static std::string Target(const Rewrite& rewrite) {
    return WinFileExists(rewrite.target) ? ReadWinFile(rewrite.target) : kAbsent;
  }
  static bool ErrorShownSince(std::size_t count) {
    for (std::size_t i = count; i < headless::Messages().size(); ++i)
      if (headless::Messages()[i].title == "Error!") return true;
    return false;
  }
  // Runs the rewrite with the fault arm() sets and checks what it left.
  void RunFaulted(const Rewrite& rewrite, const std::function<void()>& arm, const std::vector<std::string>& passes) {
    Restore(rewrite);
    const std::string old = Target(rewrite);
    const std::size_t messages = headless::Messages().size();
    arm();
    const bool ok = rewrite.run(g.queue.fields[g.queue.currentScene]);
    headless::FailWritesAfter(-1);
    const std::string after = Target(rewrite);
    bool known = after == old;
    for (const auto& pass : passes) known = known || after == pass;
    EXPECT_TRUE(known) << "the file is neither the old one nor one a pass leaves";
    if (ok) {
      EXPECT_TRUE(after == passes.back()) << "success reported for an incomplete scene";
    } else {
      EXPECT_TRUE(ErrorShownSince(messages)) << "a failure was not reported";
    }
    if (after == old) {
      EXPECT_FALSE(ok) << "success reported for an untouched scene";
    }
    EXPECT_TRUE(ReadWinFile(kScene) == rewrite.scene || rewrite.target == kScene) << "a copy changed the scene";
    EXPECT_TRUE(scenetest::TemporaryFilesBeside(kScene).empty());
  }

  void WalkOperations();
  void WalkDiskFull();
};

void RewriteFaultWalkTest::WalkOperations() {
  for (const Rewrite& rewrite : Rewrites()) {
    SCOPED_TRACE(rewrite.name);
    // Without a fault: the operations, and the file after each pass.
    Restore(rewrite);
    std::vector<std::string> passes;
    headless::OnFileReplaced([&](const std::string& target) {
      if (target == rewrite.target) passes.push_back(ReadWinFile(target));
    });
    headless::FailFileOperation(0);
    ASSERT_TRUE(rewrite.run(g.queue.fields[g.queue.currentScene]));
    headless::OnFileReplaced(nullptr);
    const std::vector<std::string> operations = headless::FileOperations();
    ASSERT_FALSE(passes.empty());
    ASSERT_NE(passes.back(), rewrite.scene);

    for (std::size_t n = 1; n <= operations.size(); ++n) {
      SCOPED_TRACE("operation " + std::to_string(n) + " of " + std::to_string(operations.size()) + " fails: " +
                   operations[n - 1]);
      RunFaulted(rewrite, [n] { headless::FailFileOperation(static_cast<int>(n)); }, passes);
      if (HasFailure()) return;
    }
  }
}

void RewriteFaultWalkTest::WalkDiskFull() {
  for (const Rewrite& rewrite : Rewrites()) {
    SCOPED_TRACE(rewrite.name);
    Restore(rewrite);
    std::vector<std::string> passes;
    headless::OnFileReplaced([&](const std::string& target) {
      if (target == rewrite.target) passes.push_back(ReadWinFile(target));
    });
    ASSERT_TRUE(rewrite.run(g.queue.fields[g.queue.currentScene]));
    headless::OnFileReplaced(nullptr);
    std::int64_t written = 0;
    for (const auto& pass : passes) written += static_cast<std::int64_t>(pass.size());
    for (std::int64_t budget = 0; budget <= written; ++budget) {
      SCOPED_TRACE("the disk is full after " + std::to_string(budget) + " bytes");
      RunFaulted(rewrite, [budget] { headless::FailWritesAfter(budget); }, passes);
      if (HasFailure()) return;
    }
  }
}

// The output directory of a scene whose saving was off covers a read that
// fails between two passes: the scene keeps the saver written, not the last
// chosen format's.
TEST_F(RewriteFaultWalkTest, EveryFileOperationFailingInTurnLeavesOldOrCompleteFiles) { WalkOperations(); }
TEST_F(RewriteFaultWalkTest, ADiskFillingUpAfterAnyNumberOfBytesLeavesOldOrCompleteFiles) { WalkDiskFull(); }

}  // namespace
