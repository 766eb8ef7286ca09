// Frame numbers read from file names of any bytes, under any prefix and
// file-name format, and the plan of missing frames made from them: a name
// read as a number is exactly the name the format writes for it (so reading
// is the inverse of naming); the plan's tasks are frames of the scene, in
// order, of at most frames-per-task frames, none of them present, and
// together with the frames present they are every frame of the scene.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/text.h"
#include "farm/chunks.h"
#include "fuzz/fuzz_support.h"
#include "render/frame_numbers.h"
#include "render/output_tools.h"

namespace {

// The name the renderer gives frame n by the entry's format.
std::string NameOf(const SceneEntry& e, std::int64_t n) {
  const int f = e[kFieldOutputFilenameFormat][0] - '0';
  char digits[32];
  std::snprintf(digits, sizeof digits, (f / 2) % 2 == 1 ? "%04lld" : "%03lld", static_cast<long long>(n));
  return e[kFieldOutputPrefix] + (f >= 4 ? "_" : "") + digits + FramePatternExtension(e);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Begin();
  const fuzz::RewriteInput in(data, size);
  SceneEntry e;
  e[kFieldOutputPrefix] = in.Text(0).substr(0, 12);
  e[kFieldOutputFilenameFormat] = std::string(1, static_cast<char>('0' + in.Byte(0) % 8));
  e[kFieldImageExtension] = in.Byte(1) % 2 ? ".tga" : ".PNG";
  const std::int64_t first = static_cast<std::int8_t>(in.Byte(2)), step = 1 + in.Byte(3) % 5;
  const std::int64_t last = first + in.Byte(4) % 120;
  e[kFieldFirstFrame] = std::to_string(first);
  e[kFieldLastFrame] = std::to_string(last);
  e[kFieldFrameStep] = std::to_string(step);
  const std::string name(in.Scene());
  if (const auto n = FrameNumberOfName(name, e))
    FUZZ_CHECK(*n >= 0 && EqualsNoCase(NameOf(e, *n), name), name + " read as " + std::to_string(*n));
  // The frames present: numbers from the name's bytes.
  std::vector<std::int64_t> present;
  for (unsigned char c : name) present.push_back(first + static_cast<std::int64_t>(c % 130) - 5);
  const std::int64_t perTask = 1 + in.Byte(5) % 7;
  const ChunkPlan plan = PlanMissingFrames(first, last, step, present, perTask);
  std::vector<std::int64_t> covered;
  for (const TaskRange& t : PlanTasks(plan)) {
    FUZZ_CHECK(t.first <= t.last && (t.last - t.first) / step + 1 <= perTask, "a task too long or backwards");
    for (std::int64_t f = t.first; f <= t.last; f += step) {
      FUZZ_CHECK(IsSceneFrame(e, f), "a task frame that is no frame of the scene");
      FUZZ_CHECK(std::find(present.begin(), present.end(), f) == present.end(), "a present frame planned");
      FUZZ_CHECK(covered.empty() || covered.back() < f, "tasks out of order or overlapping");
      covered.push_back(f);
    }
  }
  for (std::int64_t f = first; f <= last; f += step)
    FUZZ_CHECK(std::find(present.begin(), present.end(), f) != present.end() ||
                   std::find(covered.begin(), covered.end(), f) != covered.end(),
               "frame " + std::to_string(f) + " neither present nor planned");
  FUZZ_CHECK(static_cast<std::int64_t>(covered.size()) == plan.Frames(), "the plan's frame count");
  return 0;
}
