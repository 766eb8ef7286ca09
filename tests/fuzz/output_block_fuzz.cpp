// The output block insertion on any scene with any output lines, with a
// fault armed or not: the scene is untouched (and the user told) or every
// "SaveRGB 1" line has the three output lines below it and nothing else
// changed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "fuzz/fuzz_support.h"
#include "platform/headless/headless.h"
#include "scene/render_tables.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"

namespace {

const std::string kScene = "C:\\s\\a.lws";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Begin();
  fuzz::RewriteInput in(data, size);
  const std::string scene(in.Scene());
  int row = fuzz::QueueAndRead(kScene, scene);
  SceneEntry& entry = g.queue.fields[row];
  // The entry as an earlier rewrite left it, or as read.
  if (in.Byte(1) & 1) entry[kFieldOutputDir] = "C:\\" + in.Text(0) + "\\";
  if (in.Byte(1) & 2) entry[kFieldOutputPrefix] = in.Text(1);
  if (in.Byte(1) & 4) entry[kFieldImageSaver] = in.Text(2);
  if (in.Byte(1) & 8) entry[kFieldOutputFilenameFormat] = in.Text(3);
  const bool pathKnown = entry[kFieldOutputDir] != g.placeholder && entry[kFieldOutputPrefix] != g.placeholder;
  const std::vector<std::string> block{"OutputFilenameFormat " + entry[kFieldOutputFilenameFormat],
                                       "SaveRGBImagesPrefix " + entry[kFieldOutputDir] + entry[kFieldOutputPrefix],
                                       "RGBImageSaver " + entry[kFieldImageSaver]};
  const std::string fault = in.ArmFault(6);
  const std::size_t messages = headless::Messages().size();

  const bool ok = InsertOutputBlock();
  const std::string what = "(" + fault + ") ";
  const auto lines = fuzz::SceneLines(scene);
  bool anySaveRgbOne = false;
  for (auto line : lines) anySaveRgbOne = anySaveRgbOne || line.substr(0, 9) == "SaveRGB 1";
  FUZZ_CHECK(ok || fault != "no fault" || lines.empty() || !anySaveRgbOne,
             what + "an insertion without fault failed");
  FUZZ_CHECK(ok != fuzz::ErrorShown(messages), what + (ok ? "an error shown for an insertion that went through"
                                                     : "a failed insertion was not reported"));
  FUZZ_CHECK(fuzz::FilesIn("C:\\s") == std::vector<std::string>{"a.lws"}, what + "files left beside the scene");
  const std::string after = fuzz::ReadFile(kScene);
  if (!ok || !pathKnown) {
    FUZZ_CHECK(after == scene, what + "the scene changed without an insertion");
    return 0;
  }
  fuzz::RewriteRules rules;
  rules.replaced = {"SaveRGB 1"};
  rules.inserted = {"OutputFilenameFormat ", "SaveRGBImagesPrefix ", "RGBImageSaver "};
  rules.newLines = block;
  rules.newLines.push_back("SaveRGB 1");
  std::string difference = fuzz::RewriteDifference(scene, after, rules);
  FUZZ_CHECK(difference.empty(), what + difference);
  // One block below each SaveRGB 1 line.
  std::size_t switches = 0, blocksBefore = 0, blocksAfter = 0;
  for (auto line : lines) {
    switches += line.substr(0, 9) == "SaveRGB 1";
    blocksBefore += line == block[1];
  }
  for (auto line : fuzz::SceneLines(after)) blocksAfter += line == block[1];
  FUZZ_CHECK(blocksAfter == blocksBefore + switches, what + "not one block below every SaveRGB 1 line");
  return 0;
}
