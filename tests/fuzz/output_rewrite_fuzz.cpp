// The output settings rewrite on any scene, as the main window's frame
// fields, its output directory and the output filename window start it,
// with a fault armed or not: the scene holds its old lines with only output
// key lines replaced, switched, dropped or inserted, the frame field holds
// the value typed, the output lines the path chosen, and a failure is
// reported with the entry's frame field given back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/program_state.h"
#include "fuzz/fuzz_support.h"
#include "platform/headless/headless.h"
#include "scene/render_tables.h"
#include "scene/scene_reader.h"
#include "scene/scene_rewriter.h"

namespace {

const std::string kScene = "C:\\s\\a.lws";

// A scene with a saver line but no output path line once got no path: the
// input in tests/fuzz/regressions/output_rewrite keeps it checked.
constexpr bool kCheckThePathIsWritten = true;

// Characters the output filename window refuses, and those no folder has.
std::string WithoutRefused(std::string text) {
  std::string out;
  for (char c : text)
    if (std::string_view("*?\"<>|").find(c) == std::string_view::npos) out += c;
  return out;
}

fuzz::RewriteRules OutputRules() {
  fuzz::RewriteRules rules;
  rules.replaced = {"FirstFrame ", "LastFrame ", "FrameStep ", "SaveRGB ", "SaveRGBImagesPrefix ", "RGBImageSaver "};
  rules.inserted = {"SaveRGB 1", "OutputFilenameFormat ", "SaveRGBImagesPrefix ", "RGBImageSaver "};
  return rules;
}

bool AnyLineStartsWith(const std::vector<std::string_view>& lines, std::string_view text) {
  for (auto line : lines)
    if (line.substr(0, text.size()) == text) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Begin();
  fuzz::RewriteInput in(data, size);
  const std::string scene(in.Scene());
  int row = fuzz::QueueAndRead(kScene, scene);
  SceneEntry& entry = g.queue.fields[row];
  RememberImageFormatChoice(in.Byte(4) % 7);   // an earlier visit of the output filename window

  // What the user changed.
  FrameChange frame = FrameChange::kNone;
  std::string previous, typed;
  bool outputSwitch = false;
  int picked = kNoIndex;
  const int action = in.Byte(1) % 4;
  if (action == 0) {   // a frame field, a number as the main window writes it
    frame = static_cast<FrameChange>(1 + in.Byte(2) % 3);
    const SceneField field = frame == FrameChange::kFirstFrame  ? kFieldFirstFrame
                             : frame == FrameChange::kLastFrame ? kFieldLastFrame
                                                                : kFieldFrameStep;
    previous = entry[field];
    typed = std::to_string(static_cast<std::int16_t>(in.Number(2, 65536)));
    entry[field] = typed;
  } else {
    outputSwitch = true;
    if (action & 1) entry[kFieldOutputDir] = "C:\\" + WithoutRefused(in.Text(0)) + "\\";
    if (action & 2) {   // OK in the output filename window with a name
      const int format = static_cast<int>(in.Byte(3) % 9) - 1;
      RememberImageFormatChoice(format);
      entry[kFieldOutputPrefix] = WithoutRefused(in.Text(1));
      if (entry[kFieldOutputPrefix].empty()) entry[kFieldOutputPrefix] = "f";
      if (!ImageFormatExtension(format).empty()) {
        entry[kFieldImageExtension] = ImageFormatExtension(format);
        picked = format;
      }
    }
  }
  const std::string chosenPath = entry[kFieldOutputDir] + entry[kFieldOutputPrefix];
  const bool pathKnown = entry[kFieldOutputDir] != g.placeholder && entry[kFieldOutputPrefix] != g.placeholder;
  const std::string fault = in.ArmFault(6);
  const std::size_t messages = headless::Messages().size();

  const bool ok = RewriteOutputSettings(frame, previous, outputSwitch, picked);
  const std::string what = "(" + fault + ", action " + std::to_string(action) + ") ";
  const auto lines = fuzz::SceneLines(scene);
  const std::string after = fuzz::ReadFile(kScene);
  // Without a fault only a scene that has nowhere for the output lines
  // (no "SaveRGB 1" line once written) fails.
  FUZZ_CHECK(ok || fault != "no fault" || lines.empty() || !AnyLineStartsWith(fuzz::SceneLines(after), "SaveRGB 1"),
             what + "a rewrite without fault failed");
  FUZZ_CHECK(ok != fuzz::ErrorShown(messages), what + (ok ? "an error shown for a rewrite that went through"
                                                     : "a failed rewrite was not reported"));
  FUZZ_CHECK(fuzz::FilesIn("C:\\s") == std::vector<std::string>{"a.lws"}, what + "files left beside the scene");
  if (after != scene) {
    std::string difference = fuzz::RewriteDifference(scene, after, OutputRules());
    FUZZ_CHECK(difference.empty(), what + difference);
  }
  for (const auto& field : g.queue.fields[row]) FUZZ_CHECK(field.find('\r') == std::string::npos, "a field holds a CR");
  if (!ok) {
    if (after == scene && frame != FrameChange::kNone) {
      const SceneField field = frame == FrameChange::kFirstFrame  ? kFieldFirstFrame
                               : frame == FrameChange::kLastFrame ? kFieldLastFrame
                                                                  : kFieldFrameStep;
      FUZZ_CHECK(g.queue.fields[row][field] == previous, what + "the frame field did not get its old text back");
    }
    return 0;
  }

  const auto written = fuzz::SceneLines(after);
  if (frame != FrameChange::kNone) {
    const std::string key = frame == FrameChange::kFirstFrame  ? "FirstFrame "
                            : frame == FrameChange::kLastFrame ? "LastFrame "
                                                               : "FrameStep ";
    for (auto line : written) {
      if (line.substr(0, key.size()) != key) continue;
      FUZZ_CHECK(line == key + typed, what + "the first " + key + "line does not hold the value typed");
      break;
    }
  }
  // A scene that has its SaveRGB line saves its frames under the path chosen.
  if (kCheckThePathIsWritten && outputSwitch && pathKnown &&
      (AnyLineStartsWith(lines, "SaveRGB 0") || AnyLineStartsWith(lines, "SaveRGB 1"))) {
    bool any = false;
    for (auto line : written) {
      if (line.substr(0, 20) != "SaveRGBImagesPrefix ") continue;
      any = true;
      FUZZ_CHECK(line.substr(20) == chosenPath, what + "an output line does not hold the path chosen");
    }
    FUZZ_CHECK(any && AnyLineStartsWith(written, "SaveRGB 1"), what + "the scene does not save its frames");
  }
  return 0;
}
