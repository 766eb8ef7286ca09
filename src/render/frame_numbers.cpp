#include "render/frame_numbers.h"

#include <algorithm>

#include "core/text.h"
#include "platform/platform.h"
#include "render/output_tools.h"
#include "render/progress.h"

namespace {

// How one file-name format writes a frame number.
struct NameShape {
  bool known = false;   // a format "0" to "7"
  bool underscore = false;
  std::size_t padding = 1;
};

NameShape ShapeOf(const SceneEntry& entry) {
  const std::string& format = entry[kFieldOutputFilenameFormat];
  if (format.size() != 1 || format[0] < '0' || format[0] > '7') return {};
  const int n = format[0] - '0';
  return {true, n >= 4, (n / 2) % 2 == 1 ? std::size_t{4} : std::size_t{3}};
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && EqualsNoCase(text.substr(0, start.size()), start);
}

// Numbers wider than any frame range are no frame numbers; 18 digits keep
// the value inside 64 bits.
constexpr std::size_t kMaxDigits = 18;

}  // namespace

std::optional<std::int64_t> FrameNumberOfName(std::string_view name, const SceneEntry& entry) {
  const std::string& prefix = entry[kFieldOutputPrefix];
  if (prefix.empty() || prefix == g.placeholder || !StartsWithNoCase(name, prefix)) return std::nullopt;
  const NameShape shape = ShapeOf(entry);
  std::string_view rest = name.substr(prefix.size());
  const bool underscore = !rest.empty() && rest.front() == '_';
  if (shape.known && underscore != shape.underscore) return std::nullopt;
  if (underscore) rest.remove_prefix(1);
  std::size_t digits = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
  if (digits == 0 || digits > kMaxDigits) return std::nullopt;
  if (shape.known && (digits < shape.padding || (digits > shape.padding && rest.front() == '0')))
    return std::nullopt;
  const std::string extension = FramePatternExtension(entry);
  const std::string_view tail = rest.substr(digits);
  if (tail.size() != extension.size() || !EqualsNoCase(tail, extension)) return std::nullopt;
  std::int64_t number = 0;
  for (std::size_t i = 0; i < digits; ++i) number = number * 10 + (rest[i] - '0');
  return number;
}

bool IsSceneFrame(const SceneEntry& entry, std::int64_t number) {
  const std::int64_t first = ReadNumber(entry[kFieldFirstFrame]);
  const std::int64_t last = ReadNumber(entry[kFieldLastFrame]);
  return number >= first && number <= last && (number - first) % EffectiveStep(entry) == 0;
}

std::vector<NumberedFrame> ListSceneFrames(const SceneEntry& entry) {
  std::vector<NumberedFrame> frames;
  const std::string& prefix = entry[kFieldOutputPrefix];
  if (entry[kFieldOutputDir] == g.placeholder || prefix == g.placeholder || prefix.empty()) return frames;
  for (pf::DirEntry& file : pf::ListDirectory(entry[kFieldOutputDir], prefix + "*" + FramePatternExtension(entry))) {
    if (file.isDirectory) continue;
    const auto number = FrameNumberOfName(file.name, entry);
    if (number && IsSceneFrame(entry, *number)) frames.push_back({*number, std::move(file.name), file.size});
  }
  std::sort(frames.begin(), frames.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
  frames.erase(std::unique(frames.begin(), frames.end(), [](const auto& a, const auto& b) { return a.number == b.number; }),
               frames.end());
  return frames;
}
