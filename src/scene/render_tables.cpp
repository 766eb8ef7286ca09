#include "scene/render_tables.h"

#include "core/text.h"
#include "scene/scene_layout.h"

namespace {

// Position of the first row whose column equals text, or kNoIndex.
template <typename Table, typename Column>
int FindRow(const Table& table, std::string_view text, Column column) {
  for (std::size_t i = 0; i < table.size(); ++i)
    if (text == column(table[i])) return static_cast<int>(i);
  return kNoIndex;
}

template <typename Table>
bool InTable(const Table& table, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

std::string BlanksToX(std::string text) {
  for (auto& c : text)
    if (c == ' ') c = 'x';
  return text;
}

}  // namespace

int FrameScaleIndex(std::string_view multiplier) {
  return FindRow(kFrameScales, multiplier, [](const FrameScaleRow& r) { return r.multiplier; });
}

int AntialiasingIndexOfLabel(std::string_view label) {
  return FindRow(kAntialiasingLevels, label, [](const AntialiasingRow& r) { return r.label; });
}

int AntialiasingIndex(std::string_view level, std::string_view enhanced) {
  for (std::size_t i = 0; i < kAntialiasingLevels.size(); ++i)
    if (level == kAntialiasingLevels[i].level && enhanced == kAntialiasingLevels[i].enhanced)
      return static_cast<int>(i);
  return kNoIndex;
}

int RenderModeIndex(std::string_view value) {
  return FindRow(kRenderModes, value, [](const RenderModeRow& r) { return r.value; });
}

int FilenameFormatIndex(std::string_view value) {
  return FindRow(kFilenameFormats, value, [](const FilenameFormatRow& r) { return r.value; });
}

int ImageFormatIndex(std::string_view extension) {
  if (extension.empty()) return 0;
  return FindRow(kImageFormats, extension, [](const ImageFormatRow& r) { return r.extension; });
}

int ImageFormatIndexOfSaver(std::string_view saver) {
  return FindRow(kImageFormats, saver, [](const ImageFormatRow& r) { return r.saver; });
}

std::string FrameScaleValue(int index) {
  return InTable(kFrameScales, index) ? kFrameScales[index].multiplier : "";
}
std::string AntialiasingLevelValue(int index) {
  return InTable(kAntialiasingLevels, index) ? kAntialiasingLevels[index].level : "";
}
std::string AntialiasingEnhancedValue(int index) {
  return InTable(kAntialiasingLevels, index) ? kAntialiasingLevels[index].enhanced : "";
}
bool AntialiasingIsEnhanced(int index) { return !AntialiasingEnhancedValue(index).empty(); }
std::string RenderModeValue(int index) {
  return InTable(kRenderModes, index) ? kRenderModes[index].value : "";
}
std::string FilenameFormatValue(int index) {
  return InTable(kFilenameFormats, index) ? kFilenameFormats[index].value : "";
}
std::string ImageFormatExtension(int index) {
  return InTable(kImageFormats, index) ? kImageFormats[index].extension : "";
}
std::string ImageFormatSaver(int index) {
  return InTable(kImageFormats, index) ? kImageFormats[index].saver : "";
}

std::string FrameSizeLabel(std::string_view sizeText, std::string_view pixelAspect) {
  for (const auto& row : kFrameSizeLabels)
    if (sizeText == row.size && (row.pixelAspect == nullptr || pixelAspect == row.pixelAspect))
      return row.label;
  return std::string(sizeText);
}

void LabelAntialiasing(SceneEntry& entry) {
  int level = AntialiasingIndex(entry[kFieldAntialiasing], entry[kFieldEnhancedAA]);
  if (level != kNoIndex) entry[kFieldAntialiasing] = kAntialiasingLevels[level].label;
}

void LabelFrameSize(SceneEntry& entry) {
  std::string& label = entry[kFieldFrameSizeLabel];
  if (label == kDefaultFrameSizeLabel || label == kFrameSizeNotFound) return;
  label = FrameSizeLabel(BlanksToX(label), entry[kFieldPixelAspect]);
}

void LabelFreshEntry(SceneEntry& entry) {
  LabelAntialiasing(entry);
  // The label starts from the FrameSize text as read; a scene that never had
  // one keeps whatever label it holds (the default or an earlier read's).
  if (!entry[kFieldFrameSize].empty()) entry[kFieldFrameSizeLabel] = entry[kFieldFrameSize];
  LabelFrameSize(entry);
}

FrameDimensions ScaledFrameSize(std::string_view frameSize, std::string_view multiplier,
                                int chosenScale) {
  auto blank = frameSize.find(' ');
  FrameDimensions size;
  size.width = ReadNumber(frameSize.substr(0, blank));
  size.height = blank == std::string_view::npos ? 0 : ReadNumber(frameSize.substr(blank + 1));

  int stored = FrameScaleIndex(multiplier);
  if (stored == kNoIndex || !InTable(kFrameScales, chosenScale)) return size;
  int shift = chosenScale - stored;
  // Shifts, as the scale steps are powers of two: a halving drops the
  // remainder. The left shift goes through unsigned to stay defined for
  // sizes that overflow.
  auto scale = [shift](std::int32_t v) -> std::int32_t {
    if (shift > 0) return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) << shift);
    if (shift < 0) return v >> -shift;
    return v;
  };
  size.width = scale(size.width);
  size.height = scale(size.height);
  return size;
}

std::string ScaledFrameSizeLabel(FrameDimensions size, std::string_view pixelAspect) {
  return FrameSizeLabel(std::to_string(size.width) + "x" + std::to_string(size.height), pixelAspect);
}

std::string OutputFilenameDisplayText(const SceneEntry& entry) {
  const std::string& prefix = entry[kFieldOutputPrefix];
  const std::string& extension = entry[kFieldImageExtension];
  int format = FilenameFormatIndex(entry[kFieldOutputFilenameFormat]);
  // A format the table does not know says nothing about the extension, so
  // none is shown.
  if (format == kNoIndex) return prefix;
  if (kFilenameFormats[format].hasExtension) return prefix + extension;
  return prefix + " (" + extension + ")";
}
