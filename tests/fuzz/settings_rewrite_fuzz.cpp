// The scene settings rewrite on any scene with any change, over the scene or
// as a copy, with a fault armed or not: the target is either untouched (and
// the user told) or the whole scene with only the marked key lines
// replaced, and the same change made again changes nothing more.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/text.h"
#include "fuzz/fuzz_support.h"
#include "platform/headless/headless.h"
#include "scene/render_tables.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"

namespace {

const std::string kScene = "C:\\s\\a.lws";

// A list position as a window may hand it over: -1 (none), in the list or
// just past it.
int Position(std::uint8_t byte, int listSize) { return static_cast<int>(byte % (listSize + 2)) - 1; }

SceneSettingsChange ChangeOf(const fuzz::RewriteInput& in, const SceneEntry& entry) {
  SceneSettingsChange change;
  change.frameScaleChanged = in.Byte(1) & 1;
  change.frameScale = Position(in.Byte(2), static_cast<int>(kFrameScales.size()));
  change.scaledSize = ScaledFrameSize(entry[kFieldFrameSize], entry[kFieldResolutionMultiplier], change.frameScale);
  change.antialiasingChanged = in.Byte(1) & 2;
  change.antialiasing = Position(in.Byte(3), static_cast<int>(kAntialiasingLevels.size()));
  change.renderMode = Position(in.Byte(4), static_cast<int>(kRenderModes.size()));
  change.filenameFormatChanged = in.Byte(1) & 4;
  change.filenameFormat = Position(in.Byte(5), static_cast<int>(kFilenameFormats.size()));
  return change;
}

// Format 4 and later (the number on the scene's second line): the frame
// size and scale stand in the cameras or as global values, and the
// antialiasing lines are left alone.
bool PerCamera(const std::string& scene) {
  std::vector<std::string_view> lines = fuzz::SceneLines(scene);
  return lines.size() >= 2 && ReadNumber(lines[1]) >= 4;
}

bool FrameScaleMarked(const SceneSettingsChange& change) {
  return change.frameScaleChanged && !FrameScaleValue(change.frameScale).empty();
}

// The lines the change may write, and where.
fuzz::RewriteRules RulesOf(const SceneSettingsChange& change, bool perCamera) {
  fuzz::RewriteRules rules;
  auto mark = [&rules](const std::string& key, const std::string& value) {
    if (value.empty()) return;
    rules.replaced.push_back(key);
    rules.newLines.push_back(key + value);
  };
  if (FrameScaleMarked(change)) {
    const std::string size = std::to_string(change.scaledSize.width) + " " + std::to_string(change.scaledSize.height);
    mark("ResolutionMultiplier ", FrameScaleValue(change.frameScale));
    mark("FrameSize ", size);
    if (perCamera) {
      mark("GlobalMultiplier ", FrameScaleValue(change.frameScale));
      mark("GlobalFrameSize ", size);
    }
  }
  mark("RenderMode ", RenderModeValue(change.renderMode));
  if (!perCamera && change.antialiasingChanged && !AntialiasingLevelValue(change.antialiasing).empty()) {
    mark("Antialiasing ", AntialiasingLevelValue(change.antialiasing));
    rules.dropped.push_back("EnhancedAA ");
    std::string enhanced = AntialiasingEnhancedValue(change.antialiasing);
    if (!enhanced.empty()) {
      rules.inserted.push_back("EnhancedAA ");
      rules.newLines.push_back("EnhancedAA " + enhanced);
    }
  }
  if (change.filenameFormatChanged) mark("OutputFilenameFormat ", FilenameFormatValue(change.filenameFormat));
  if (rules.newLines.empty()) rules.newLines.push_back(std::string(1, '\0'));   // nothing may be new
  return rules;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Begin();
  fuzz::RewriteInput in(data, size);
  const std::string scene(in.Scene());
  int row = fuzz::QueueAndRead(kScene, scene);
  const SceneSettingsChange change = ChangeOf(in, g.queue.fields[row]);
  const bool copy = in.Byte(1) & 8;
  const std::string target = copy ? SceneCopyPath(kScene) : kScene;
  const std::string fault = in.ArmFault(6);
  const std::size_t messages = headless::Messages().size();

  const bool ok = RewriteSceneSettings(copy ? RewriteMode::kCopy : RewriteMode::kOverwrite, change);
  const std::string what = "(" + fault + (copy ? ", copy" : ", overwrite") + ") ";
  const bool hasLines = !fuzz::SceneLines(scene).empty();
  const bool perCamera = PerCamera(scene);
  // A new frame scale for a rendering camera without a FrameSize line is
  // refused, and reported like any failure.
  const bool mayRefuse = perCamera && FrameScaleMarked(change);
  FUZZ_CHECK(ok || fault != "no fault" || !hasLines || mayRefuse, what + "a rewrite without fault failed");
  FUZZ_CHECK(ok != fuzz::ErrorShown(messages), what + (ok ? "an error shown for a rewrite that went through"
                                                     : "a failed rewrite was not reported"));
  if (copy) FUZZ_CHECK(fuzz::ReadFile(kScene) == scene, what + "a copy changed the scene");
  std::vector<std::string> expectedFiles{"a.lws"};
  if (copy && ok) expectedFiles.push_back("a_copy.lws");
  FUZZ_CHECK(fuzz::FilesIn("C:\\s") == expectedFiles, what + "files left beside the scene");
  if (!ok) {
    FUZZ_CHECK(copy || fuzz::ReadFile(kScene) == scene, what + "a failed rewrite changed the scene");
    return 0;
  }
  const std::string after = fuzz::ReadFile(target);
  std::string difference = fuzz::RewriteDifference(scene, after, RulesOf(change, perCamera));
  FUZZ_CHECK(difference.empty(), what + difference);
  for (const auto& field : g.queue.fields[row]) FUZZ_CHECK(field.find('\r') == std::string::npos, "a field holds a CR");

  // The same change once more finds its lines already written.
  headless::FailWritesAfter(-1);
  headless::FailReplace(false);
  headless::FailFileOperation(0);
  g.queue.scenePaths[row] = target;
  FUZZ_CHECK(RewriteSceneSettings(RewriteMode::kOverwrite, change), what + "the second rewrite failed");
  FUZZ_CHECK(fuzz::ReadFile(target) == after, what + "the same change made twice wrote different scenes");
  return 0;
}
